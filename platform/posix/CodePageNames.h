// Code-page helpers shared by the POSIX side of the platform layer.
#pragma once

#include <cstdint>

namespace platform {

// The iconv name of a Windows code page, or null when iconv has none.
const char* IconvNameOfCodePage(std::uint32_t codePage);

} // namespace platform
