# Installation and the Debian package.
#
#   cmake --install <build> [--prefix DIR]   the library, header, command,
#                                            pkg-config file, CMake package,
#                                            man page and the spooler's filter
#   scripts/package/build-deb.sh             build-pkg/libquelin_<version>_<arch>.deb
#
# Not included on Windows (the top-level file returns before it there).

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QUELIN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quelin)

# The shared library exports the C functions of include/quelin.h and nothing
# else: hidden visibility keeps the library's own code in, this map keeps out
# the weak copies of standard library templates that it instantiates.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(QUELIN_EXPORT_MAP ${CMAKE_CURRENT_BINARY_DIR}/quelin.map)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/quelin.map.in ${QUELIN_EXPORT_MAP} COPYONLY)
  target_link_options(quelin PRIVATE "LINKER:--version-script=${QUELIN_EXPORT_MAP}")
  set_property(TARGET quelin APPEND PROPERTY LINK_DEPENDS ${QUELIN_EXPORT_MAP})
endif()

# The shared library, its SONAME link and the libquelin.so link for linking.
install(TARGETS quelin EXPORT QuelinTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/quelin.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(TARGET quelin_cli)
  install(TARGETS quelin_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The spooler's filter for text, where the spooler looks for its filters
# and conversions (under the prefix, as cups-config reports them).
if(TARGET quelin_texttopdf)
  install(TARGETS quelin_texttopdf RUNTIME DESTINATION lib/cups/filter)
  install(FILES ${PROJECT_SOURCE_DIR}/cups/quelin.convs DESTINATION share/cups/mime)
endif()

# The man page, compressed as Debian keeps man pages.
set(QUELIN_MAN_PAGE ${PROJECT_SOURCE_DIR}/doc/quelin.1)
find_program(QUELIN_GZIP gzip)
if(QUELIN_GZIP)
  add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/quelin.1.gz
    COMMAND ${QUELIN_GZIP} -9 -n -c ${QUELIN_MAN_PAGE} > ${CMAKE_CURRENT_BINARY_DIR}/quelin.1.gz
    DEPENDS ${QUELIN_MAN_PAGE}
    COMMENT "Compressing the man page"
    VERBATIM)
  add_custom_target(quelin_man_page ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/quelin.1.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quelin.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  install(FILES ${QUELIN_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# find_package(Quelin) -> Quelin::quelin. The files locate the prefix from
# where they lie, so an installed tree can be moved.
install(EXPORT QuelinTargets
  NAMESPACE Quelin::
  FILE QuelinTargets.cmake
  DESTINATION ${QUELIN_CMAKE_DIR})
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/QuelinConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/QuelinConfig.cmake
  INSTALL_DESTINATION ${QUELIN_CMAKE_DIR})
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/QuelinConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/QuelinConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/QuelinConfigVersion.cmake
  DESTINATION ${QUELIN_CMAKE_DIR})

# quelin.pc, written when installing so that its prefix is the one installed
# into (cmake --install --prefix DIR, or /usr in the Debian package).
install(CODE "
  set(QUELIN_PC_TEMPLATE \"${CMAKE_CURRENT_LIST_DIR}/quelin.pc.in\")
  set(QUELIN_PC_FILE \"${CMAKE_CURRENT_BINARY_DIR}/pkgconfig/quelin.pc\")
  set(QUELIN_PC_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(QUELIN_PC_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(QUELIN_PC_VERSION \"${PROJECT_VERSION}\")")
install(CODE [[
  set(QUELIN_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  foreach(dir LIBDIR INCLUDEDIR)
    if(NOT IS_ABSOLUTE "${QUELIN_PC_${dir}}")
      set(QUELIN_PC_${dir} "\${prefix}/${QUELIN_PC_${dir}}")
    endif()
  endforeach()
  configure_file("${QUELIN_PC_TEMPLATE}" "${QUELIN_PC_FILE}" @ONLY)
]])
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/pkgconfig/quelin.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The Debian package: one package, libquelin, with all of the above.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME libquelin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quelin")
set(CPACK_PACKAGE_CONTACT "Quelin developers <quelin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PostScript Type 42 fonts from installed TrueType fonts")
set(CPACK_PACKAGE_DESCRIPTION
  "libquelin finds an installed TrueType font by the face name of a Win32 LOGFONTA,\n"
  "turns it into a PostScript Type 42 font program and writes the PostScript code\n"
  "that draws a string in that font. The package holds the shared library, its C\n"
  "header, pkg-config and CMake files, the quelin command, and quelin-texttopdf,\n"
  "the filter through which CUPS prints text files in every script.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps names the libraries' packages (libc6, libfontconfig1,
# libfreetype6, libharfbuzz0b, libharfbuzz-subset0, libgcc-s1, libstdc++6)
# with the versions the build needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file for packages that link libquelin, and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ghostscript, cups")
# ldconfig, and CUPS made to read its conversions again when the filter for
# text comes or goes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/scripts/package/postinst ${PROJECT_SOURCE_DIR}/scripts/package/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
