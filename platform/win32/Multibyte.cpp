// The multibyte string helpers map onto the C runtime's _mbs family, which
// follows the ANSI code page the runtime selected at start-up.
#include "../Platform.h"

#include <mbstring.h>

namespace platform {

namespace {

const unsigned char* Bytes(const char* s) { return reinterpret_cast<const unsigned char*>(s); }

} // namespace

void MbsnbCopy(char* dst, const char* src, std::size_t count) {
    _mbsnbcpy(reinterpret_cast<unsigned char*>(dst), Bytes(src), count);
}

int MbsnbICompare(const char* a, const char* b, std::size_t count) {
    return _mbsnbicmp(Bytes(a), Bytes(b), count);
}

const char* MbsChr(const char* s, unsigned char c) {
    return reinterpret_cast<const char*>(_mbschr(Bytes(s), c));
}

} // namespace platform
