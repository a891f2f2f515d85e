# 32-bit Windows (the product DLL), cross-built with MinGW-w64.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i686-w64-mingw32.cmake ...
# Its tests run under 32-bit Wine (Debian's wine32, on the i386 architecture).
set(QUELIN_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
