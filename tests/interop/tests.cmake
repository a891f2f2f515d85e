# Converted programs and printed pages checked in Ghostscript, poppler and
# fontTools (Debian's python3). Each script takes the quelin program, the
# crafted fonts and a case; the cases are separate tests so they can run
# side by side.
set(QUELIN_INTEROP_DIR ${CMAKE_CURRENT_LIST_DIR})

if(TARGET quelin_cli)
  foreach(check sfnts:layout glyphs:crafted glyphs:system glyphs:fontinfo
          pages:latin pages:cyrillic pages:scripts pages:cjk pages:bold pages:hostile pages:pdf
          subset:system subset:names)
    string(REPLACE ":" ";" parts ${check})
    list(GET parts 0 script)
    list(GET parts 1 case)
    add_test(NAME interop.${script}.${case}
      COMMAND ${QUELIN_PYTHON} ${QUELIN_INTEROP_DIR}/check_${script}.py
              $<TARGET_FILE:quelin_cli> ${QUELIN_TEST_FONTS} ${case}
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(interop.${script}.${case} PROPERTIES
      LABELS interop TIMEOUT 300
      ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1;QUELIN_LIBRARY=$<TARGET_FILE:quelin>")
  endforeach()
endif()
