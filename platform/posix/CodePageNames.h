// Code-page helpers shared by the POSIX side of the platform layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The iconv name of a Windows code page, or null when iconv has none.
const char* IconvNameOfCodePage(std::uint32_t codePage);

// UTF-8 text in `codePage`; a character the code page lacks becomes '?' and,
// when `missing` is given, its code point is added there.
std::string Utf8ToCodePage(const std::string& utf8, std::uint32_t codePage,
                           std::vector<std::uint32_t>* missing = nullptr);

} // namespace platform
