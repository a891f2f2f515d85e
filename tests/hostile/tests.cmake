# The hostile-font corpus as regression tests (labels: hostile). The fonts
# are generated into the build tree; hostile_run converts each group through
# the exports and check_hostile.py judges the results with Ghostscript and
# the quelin command. unload_check releases fonts by unloading the library.
set(QUELIN_HOSTILE_FONTS ${CMAKE_BINARY_DIR}/hostile-fonts)
add_custom_command(OUTPUT ${QUELIN_HOSTILE_FONTS}/manifest.json
  COMMAND ${QUELIN_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/make_hostile_fonts.py ${QUELIN_HOSTILE_FONTS}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_hostile_fonts.py ${CMAKE_CURRENT_LIST_DIR}/../fonts/make_test_fonts.py
  COMMENT "Generating the hostile fonts")
add_custom_target(quelin_hostile_fonts ALL DEPENDS ${QUELIN_HOSTILE_FONTS}/manifest.json)

add_executable(hostile_run ${CMAKE_CURRENT_LIST_DIR}/hostile_run.cpp ${PROJECT_SOURCE_DIR}/fuzz/PsCheck.cpp)
target_compile_options(hostile_run PRIVATE ${QUELIN_WARNINGS})
target_link_libraries(hostile_run PRIVATE quelin_internals)
add_dependencies(hostile_run quelin_hostile_fonts)

foreach(group names glyphnames sizes structure fuzz)
  add_test(NAME hostile.${group} COMMAND ${QUELIN_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/check_hostile.py
    ${QUELIN_HOSTILE_FONTS} ${group} $<TARGET_FILE:hostile_run> ${CMAKE_CURRENT_BINARY_DIR}/hostile-${group}
    "$<$<TARGET_EXISTS:quelin_cli>:$<TARGET_FILE:quelin_cli>>" COMMAND_EXPAND_LISTS)
  set_tests_properties(hostile.${group} PROPERTIES LABELS hostile TIMEOUT 900)
endforeach()

add_executable(unload_check ${CMAKE_CURRENT_LIST_DIR}/unload_check.cpp)
target_compile_options(unload_check PRIVATE ${QUELIN_WARNINGS})
target_include_directories(unload_check PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_link_libraries(unload_check PRIVATE ${CMAKE_DL_LIBS} PkgConfig::FONTCONFIG Freetype::Freetype)
add_dependencies(unload_check quelin)
# It needs no LeakSanitizer suppressions: the host owns fontconfig here.
add_test(NAME hostile.lifecycle COMMAND unload_check $<TARGET_FILE:quelin>)
set_tests_properties(hostile.lifecycle PROPERTIES LABELS hostile TIMEOUT 300 ENVIRONMENT "LSAN_OPTIONS=")
