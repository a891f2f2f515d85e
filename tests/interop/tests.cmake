# Converted programs and printed pages checked in Ghostscript, poppler and
# fontTools (Debian's python3), each case a test of its own so they can run
# side by side.
if(TARGET quelin_cli)
  foreach(case sfnts crafted system subset subset-names latin cyrillic scripts cjk bold hostile pdf)
    add_test(NAME interop.${case} COMMAND ${QUELIN_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/check_interop.py
             $<TARGET_FILE:quelin_cli> ${QUELIN_TEST_FONTS} ${case})
    set_tests_properties(interop.${case} PROPERTIES LABELS interop TIMEOUT 300
                         ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1;QUELIN_LIBRARY=$<TARGET_FILE:quelin>")
  endforeach()
endif()
