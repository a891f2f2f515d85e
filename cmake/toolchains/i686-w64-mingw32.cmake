# 32-bit Windows (the product DLL), cross-built with MinGW-w64.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i686-w64-mingw32.cmake ...
# No emulator: 32-bit Wine needs i386 host libraries, so this build is
# checked statically (scripts/windows/check_dll.sh).
set(QUELIN_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
