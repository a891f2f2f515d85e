// Code pages on Windows: the system's ANSI code page and its conversions.
#include "../Platform.h"
#include "TamrixMB.h"

#include <windows.h>

// The user's code page as the host support library reports it: the ANSI
// code page of the system.
extern "C" UINT TamrixMBGetUserCodePage() { return GetACP(); }

namespace platform {

std::uint32_t UserCodePage() { return TamrixMBGetUserCodePage(); }

std::uint32_t AnsiCodePage() { return GetACP(); }

std::uint16_t ByteToUtf16(std::uint32_t codePage, unsigned char byte) {
    // Room for a surrogate pair and more: only the first unit is used.
    WCHAR units[3] = {};
    int count = MultiByteToWideChar(codePage, 0, reinterpret_cast<LPCSTR>(&byte), 1, units, 3);
    return count > 0 ? static_cast<std::uint16_t>(units[0]) : 0;
}

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

bool IsLeadByteOf(std::uint32_t codePage, unsigned char byte) { return IsDBCSLeadByteEx(codePage, byte) != FALSE; }

bool PairToUtf16(std::uint32_t codePage, unsigned char lead, unsigned char trail, std::uint16_t& unit) {
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    WCHAR units[2] = {};
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, pair, 2, units, 2) != 1)
        return false;
    unit = static_cast<std::uint16_t>(units[0]);
    return true;
}

} // namespace platform
