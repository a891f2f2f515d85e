#include "Charset.h"

#include <uchardet.h>

#include <cerrno>
#include <iconv.h>
#include <strings.h>

namespace print {

namespace {

// What iconv writes: code points as 32-bit little-endian numbers.
constexpr const char* kCodePoints = "UTF-32LE";

char32_t LittleEndian(const unsigned char* bytes) {
    return static_cast<char32_t>(bytes[0]) | static_cast<char32_t>(bytes[1]) << 8 |
           static_cast<char32_t>(bytes[2]) << 16 | static_cast<char32_t>(bytes[3]) << 24;
}

} // namespace

bool IsKnownCharset(const std::string& name) {
    if (name.empty())
        return false;
    iconv_t converter = iconv_open(kCodePoints, name.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(converter);
    return true;
}

std::string GuessCharset(const unsigned char* bytes, std::size_t size) {
    uchardet_t detector = uchardet_new();
    if (!detector)
        return std::string();
    std::string name;
    if (uchardet_handle_data(detector, reinterpret_cast<const char*>(bytes), size) == 0) {
        uchardet_data_end(detector);
        name = uchardet_get_charset(detector);
    }
    uchardet_delete(detector);
    return name;
}

bool IsUtf8Charset(const std::string& name) {
    return strcasecmp(name.c_str(), "UTF-8") == 0 || strcasecmp(name.c_str(), "UTF8") == 0 ||
           strcasecmp(name.c_str(), "ASCII") == 0 || strcasecmp(name.c_str(), "US-ASCII") == 0;
}

CharsetDecoder::CharsetDecoder(const std::string& name)
    : converter_(reinterpret_cast<void*>(iconv_open(kCodePoints, name.c_str()))) {}

CharsetDecoder::~CharsetDecoder() {
    if (Ok())
        iconv_close(static_cast<iconv_t>(converter_));
}

CharsetDecoder::Step CharsetDecoder::Convert(const unsigned char* bytes, std::size_t size, bool last) {
    Step step;
    unsigned char wide[sizeof out_];
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
    char* out = reinterpret_cast<char*>(wide);
    std::size_t inLeft = size, outLeft = sizeof wide;
    std::size_t result = iconv(static_cast<iconv_t>(converter_), &in, &inLeft, &out, &outLeft);
    int error = result == static_cast<std::size_t>(-1) ? errno : 0;
    step.used = size - inLeft;
    step.count = (sizeof wide - outLeft) / 4;
    for (std::size_t i = 0; i < step.count; ++i)
        out_[i] = LittleEndian(wide + 4 * i);
    if (error == EILSEQ || (error == EINVAL && last && inLeft > 0)) {
        step.invalid = true;
        // A stateful charset starts afresh after the byte that is skipped.
        iconv(static_cast<iconv_t>(converter_), nullptr, nullptr, nullptr, nullptr);
    } else if (error != E2BIG) {
        step.done = true;
    }
    return step;
}

} // namespace print
