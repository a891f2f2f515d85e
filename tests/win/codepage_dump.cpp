// Writes the whole byte and pair tables of every code page the library
// converts, one entry a line, for scripts/windows/codepages.sh:
//   B <page> <byte> <unit>    every byte alone (flags 0), first unit, 0 for none
//   L <page> <byte> <0|1>     whether the byte is a lead byte
//   P <page> <pair> <unit>    every lead byte 0x80-0xFF with trail 0x01-0xFF
//                             (MB_ERR_INVALID_CHARS), 0 when no single unit
// Built for Windows it asks MultiByteToWideChar and IsDBCSLeadByteEx (code
// page 2, the Mac one, as 10000); built on Linux, the POSIX platform side.
#include <cstdint>
#include <cstdio>
#ifdef _WIN32
#include <windows.h>
#else
#include "platform/Platform.h"
#endif

namespace {

#ifdef _WIN32
UINT WindowsPage(unsigned page) { return page == 2 ? 10000 : page; }

unsigned ByteUnit(unsigned page, unsigned char byte) {
    WCHAR units[3] = {};
    int count = MultiByteToWideChar(WindowsPage(page), 0, reinterpret_cast<LPCSTR>(&byte), 1, units, 3);
    return count > 0 ? units[0] : 0;
}

bool IsLead(unsigned page, unsigned char byte) { return IsDBCSLeadByteEx(WindowsPage(page), byte) != FALSE; }

unsigned PairUnit(unsigned page, unsigned char lead, unsigned char trail) {
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    WCHAR units[2] = {};
    return MultiByteToWideChar(WindowsPage(page), MB_ERR_INVALID_CHARS, pair, 2, units, 2) == 1 ? units[0] : 0;
}
#else
unsigned ByteUnit(unsigned page, unsigned char byte) { return platform::ByteToUtf16(page, byte); }

bool IsLead(unsigned page, unsigned char byte) { return platform::IsLeadByteOf(page, byte); }

unsigned PairUnit(unsigned page, unsigned char lead, unsigned char trail) {
    std::uint16_t unit = 0;
    return platform::PairToUtf16(page, lead, trail, unit) ? unit : 0;
}
#endif

} // namespace

int main() {
    // One write per 64 KB: the C runtime under Wine writes a pipe unbuffered.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    const unsigned pages[] = {2, 874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 1361};
    for (unsigned page : pages) {
        for (unsigned byte = 0; byte < 0x100; ++byte)
            std::printf("B %u %02X %04X\n", page, byte, ByteUnit(page, static_cast<unsigned char>(byte)));
        for (unsigned lead = 0x80; lead < 0x100; ++lead) {
            bool isLead = IsLead(page, static_cast<unsigned char>(lead));
            std::printf("L %u %02X %d\n", page, lead, isLead ? 1 : 0);
            for (unsigned trail = 1; isLead && trail < 0x100; ++trail)
                std::printf("P %u %02X%02X %04X\n", page, lead, trail,
                            PairUnit(page, static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)));
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
