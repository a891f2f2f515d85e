# Shared part of the MinGW-w64 toolchain files. The including file sets
# QUELIN_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# Debian ships each compiler in a win32 and a posix thread flavour; the win32
# one needs no winpthread DLL next to the program.
foreach(tool gcc g++)
  find_program(QUELIN_MINGW_${tool} NAMES ${QUELIN_MINGW_TRIPLE}-${tool}-win32 ${QUELIN_MINGW_TRIPLE}-${tool}
    NO_CMAKE_FIND_ROOT_PATH)
endforeach()
set(CMAKE_C_COMPILER ${QUELIN_MINGW_gcc})
set(CMAKE_CXX_COMPILER ${QUELIN_MINGW_g++})
set(CMAKE_RC_COMPILER ${QUELIN_MINGW_TRIPLE}-windres)

# Headers and libraries come from the cross sysroot (plus whatever a build
# adds to CMAKE_FIND_ROOT_PATH); programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QUELIN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Lets ctest run the test programs through Wine. Which Wine prefix (and so
# which architecture of Windows) is the caller's: WINEPREFIX, WINEARCH.
find_program(QUELIN_WINE NAMES wine NO_CMAKE_FIND_ROOT_PATH)
if(QUELIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUELIN_WINE})
endif()
