# The Windows build: Quelin.dll from the core sources and platform/win32,
# with __stdcall exports under undecorated names at fixed ordinals, linked
# so that it needs nothing but Windows system DLLs. It makes no subsets
# (T42GetSubsetFontData is exported on Linux only, and subsets are
# HarfBuzz's, which this build lacks). Included by the
# top-level CMakeLists.txt when the target is Windows (MinGW-w64 through
# cmake/toolchains/*.cmake; scripts/windows/build.sh drives it).

enable_language(RC)

set(QUELIN_WIN32_SOURCES
  platform/win32/CallFrame.cpp
  platform/win32/CodePages.cpp
  platform/win32/CreationDate.cpp
  platform/win32/Files.cpp
  platform/win32/FontValues.cpp
  platform/win32/GlobalMemory.cpp
  platform/win32/Multibyte.cpp
  platform/win32/Mutex.cpp
)

# Everything that includes <windows.h> (quelin.h does) gets the lean
# variant and no min/max macros.
set(QUELIN_WIN32_DEFINITIONS WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# Static C and C++ runtimes, so the DLL imports only system DLLs.
set(QUELIN_WIN32_STATIC_LINK -static -static-libgcc -static-libstdc++)

add_library(quelin_objects OBJECT ${QUELIN_CORE_SOURCES} ${QUELIN_WIN32_SOURCES})
target_compile_options(quelin_objects PRIVATE ${QUELIN_WARNINGS})
target_compile_definitions(quelin_objects PUBLIC ${QUELIN_WIN32_DEFINITIONS})
target_include_directories(quelin_objects PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
target_link_libraries(quelin_objects PUBLIC Freetype::Freetype)

# The module-definition file, from the one list of exports. The 32-bit
# build names each export after its decorated __stdcall symbol
# (T42TextOut = T42TextOut@16); with stdcall fix-up turned off, an argument
# size that does not match the code fails the link.
file(STRINGS ${PROJECT_SOURCE_DIR}/platform/win32/Quelin.exports QUELIN_EXPORT_LINES
  REGEX "^[A-Za-z]")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/platform/win32/Quelin.exports)
set(QUELIN_DEF_TEXT "LIBRARY Quelin.dll\nEXPORTS\n")
foreach(line IN LISTS QUELIN_EXPORT_LINES)
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(GET fields 0 name)
  list(GET fields 1 ordinal)
  list(GET fields 2 argumentBytes)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    string(APPEND QUELIN_DEF_TEXT "  ${name} = ${name}@${argumentBytes} @${ordinal}\n")
  else()
    string(APPEND QUELIN_DEF_TEXT "  ${name} @${ordinal}\n")
  endif()
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/Quelin.def CONTENT "${QUELIN_DEF_TEXT}")

configure_file(${PROJECT_SOURCE_DIR}/platform/win32/Quelin.rc.in ${CMAKE_BINARY_DIR}/Quelin.rc @ONLY)

add_library(quelin SHARED $<TARGET_OBJECTS:quelin_objects>
  ${CMAKE_BINARY_DIR}/Quelin.def ${CMAKE_BINARY_DIR}/Quelin.rc)
target_link_libraries(quelin PRIVATE Freetype::Freetype)
target_include_directories(quelin PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
target_link_options(quelin PRIVATE ${QUELIN_WIN32_STATIC_LINK}
  -Wl,--disable-stdcall-fixup -Wl,--no-insert-timestamp $<$<CONFIG:Release,MinSizeRel>:-s>)
set_target_properties(quelin PROPERTIES
  OUTPUT_NAME Quelin
  PREFIX ""
  IMPORT_PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The same objects as a static library, for the unit tests, which reach
# past the exports.
add_library(quelin_static STATIC $<TARGET_OBJECTS:quelin_objects>)
target_link_libraries(quelin_static PUBLIC Freetype::Freetype)
target_compile_definitions(quelin_static PUBLIC ${QUELIN_WIN32_DEFINITIONS})
target_include_directories(quelin_static PUBLIC ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR})

if(NOT QUELIN_BUILD_TESTS)
  return()
endif()

enable_testing()

# C hosts that load the DLL at run time, as a printing application does:
# host_test.c on both architectures, and on the 32-bit one stack_test.c,
# which calls the exports through a thunk that watches the stack pointer.
set(QUELIN_WIN_HOSTS host_test)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND QUELIN_WIN_HOSTS stack_test)
endif()
foreach(host IN LISTS QUELIN_WIN_HOSTS)
  add_executable(quelin_${host} tests/win/${host}.c)
  target_compile_options(quelin_${host} PRIVATE -Wall -Wextra -Wpedantic)
  target_include_directories(quelin_${host} PRIVATE ${PROJECT_SOURCE_DIR}/include)
  target_link_options(quelin_${host} PRIVATE ${QUELIN_WIN32_STATIC_LINK})
  set_target_properties(quelin_${host} PROPERTIES C_STANDARD 99 C_STANDARD_REQUIRED ON
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  add_dependencies(quelin_${host} quelin)
endforeach()

# Fonts and the Linux build's output for the same fonts, which
# scripts/windows/reference.sh writes before the tests run.
set(QUELIN_WIN_TEST_DATA ${CMAKE_BINARY_DIR}/test-data CACHE PATH
  "Test fonts and reference programs for the Wine tests")

if(NOT CMAKE_CROSSCOMPILING_EMULATOR AND CMAKE_CROSSCOMPILING)
  return()
endif()

add_test(NAME win_host COMMAND quelin_host_test $<TARGET_FILE:quelin> ${QUELIN_WIN_TEST_DATA})
if(TARGET quelin_stack_test)
  add_test(NAME win_stack COMMAND quelin_stack_test $<TARGET_FILE:quelin> ${QUELIN_WIN_TEST_DATA})
endif()

# The unit tests: the platform-independent ones of tests/unit, as listed in
# tests/win/portable_tests.txt, and those of the Win32 side, with GoogleTest
# built from Debian's source package.
set(QUELIN_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${QUELIN_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${QUELIN_GTEST_SOURCE} (Debian package googletest)")
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/tests/win/portable_tests.txt QUELIN_PORTABLE_TESTS REGEX "^[^#]")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/tests/win/portable_tests.txt)
set(QUELIN_WIN_UNIT_TEST_FILES ${PROJECT_SOURCE_DIR}/tests/win/win32_platform_test.cpp)
foreach(test IN LISTS QUELIN_PORTABLE_TESTS)
  string(STRIP "${test}" test)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${test})
    list(APPEND QUELIN_WIN_UNIT_TEST_FILES ${PROJECT_SOURCE_DIR}/${test})
  else()
    message(WARNING "tests/win/portable_tests.txt: ${test} does not exist")
  endif()
endforeach()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${QUELIN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# The win32-thread MinGW runtime has no std::mutex, on which GoogleTest
# builds its Notification: tests/win/gtest_notification.h stands in.
target_compile_options(gtest PUBLIC
  "SHELL:-include ${PROJECT_SOURCE_DIR}/tests/win/gtest_notification.h")
# The test code itself is not what is tested: built without optimisation,
# GoogleTest and the tests compile in half the time (the library they test
# keeps the build type's flags).
target_compile_options(gtest PRIVATE -O0)
target_compile_options(gtest_main PRIVATE -O0)

# The crafted fonts, as the Linux tests get them.
set(QUELIN_TEST_FONTS ${CMAKE_BINARY_DIR}/test-fonts)
set(QUELIN_PYTHON /usr/bin/python3 CACHE FILEPATH "Python with fontTools")
if(EXISTS ${PROJECT_SOURCE_DIR}/tests/fonts/make_test_fonts.py)
  file(GLOB QUELIN_FONT_GENERATOR_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fonts/*.py)
  add_custom_command(
    OUTPUT ${QUELIN_TEST_FONTS}/stamp
    COMMAND ${QUELIN_PYTHON} ${PROJECT_SOURCE_DIR}/tests/fonts/make_test_fonts.py ${QUELIN_TEST_FONTS}
    COMMAND ${CMAKE_COMMAND} -E touch ${QUELIN_TEST_FONTS}/stamp
    DEPENDS ${QUELIN_FONT_GENERATOR_FILES}
    COMMENT "Generating crafted test fonts")
  add_custom_target(quelin_test_fonts ALL DEPENDS ${QUELIN_TEST_FONTS}/stamp)
endif()

# Paths the tests open are Wine paths: the host's root is drive Z:.
add_executable(quelin_win_unit_tests ${QUELIN_WIN_UNIT_TEST_FILES})
target_compile_options(quelin_win_unit_tests PRIVATE ${QUELIN_WARNINGS} -O0)
target_compile_definitions(quelin_win_unit_tests PRIVATE
  QUELIN_TEST_FONTS="Z:${QUELIN_TEST_FONTS}"
  QUELIN_SOURCE_DIR="Z:${PROJECT_SOURCE_DIR}"
  QUELIN_BINARY_DIR="Z:${CMAKE_BINARY_DIR}"
  QUELIN_WIN_TEST_DATA="Z:${QUELIN_WIN_TEST_DATA}")
target_link_libraries(quelin_win_unit_tests PRIVATE quelin_static gtest_main)
target_link_options(quelin_win_unit_tests PRIVATE ${QUELIN_WIN32_STATIC_LINK})
set_target_properties(quelin_win_unit_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(TARGET quelin_test_fonts)
  add_dependencies(quelin_win_unit_tests quelin_test_fonts)
endif()
add_test(NAME win_unit COMMAND quelin_win_unit_tests --gtest_brief=1)
