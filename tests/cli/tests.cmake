# The quelin command end to end (label: cli): output files, PDF names,
# write errors, strict UTF-8, long text and exit statuses.
if(TARGET quelin_cli)
  add_test(NAME cli.end_to_end
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_cli.sh $<TARGET_FILE:quelin_cli> ${CMAKE_CURRENT_BINARY_DIR}/cli-work)
  set_tests_properties(cli.end_to_end PROPERTIES LABELS cli TIMEOUT 300)
  # quelin print through Ghostscript, hb-shape, pdftotext, psselect and psnup.
  add_test(NAME cli.print
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_print.sh $<TARGET_FILE:quelin_cli> ${CMAKE_CURRENT_BINARY_DIR}/print-work)
  set_tests_properties(cli.print PROPERTIES LABELS cli TIMEOUT 300)
  # quelin print's options and inputs: charsets, overstrike, escapes, binary,
  # empty, missing and many files, and the faults that once hung or flooded.
  add_test(NAME cli.inputs
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_inputs.sh $<TARGET_FILE:quelin_cli> ${CMAKE_CURRENT_BINARY_DIR}/inputs-work)
  set_tests_properties(cli.inputs PROPERTIES LABELS cli TIMEOUT 300)
  # print's page layout through pdftotext, pdfinfo, Ghostscript and ICU.
  add_test(NAME cli.layout
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_layout.sh $<TARGET_FILE:quelin_cli> ${CMAKE_CURRENT_BINARY_DIR}/layout-work)
  set_tests_properties(cli.layout PROPERTIES LABELS cli TIMEOUT 300)
  # quelin print's own PDF through qpdf, pdffonts, pdftoppm, mutool and pdftotext.
  add_test(NAME cli.pdf
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_pdf.sh $<TARGET_FILE:quelin_cli> ${CMAKE_CURRENT_BINARY_DIR}/pdf-work)
  set_tests_properties(cli.pdf PROPERTIES LABELS cli TIMEOUT 600)
  # CFF fonts in PostScript and PDF through Ghostscript, pdftoppm, mutool, pdffonts and pdftotext.
  add_test(NAME cli.cff
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_cff.sh $<TARGET_FILE:quelin_cli> ${CMAKE_CURRENT_BINARY_DIR}/cff-work)
  set_tests_properties(cli.cff PROPERTIES LABELS cli TIMEOUT 300)
endif()
# quelin-texttopdf as the spooler runs it: directly, through cupsfilter and
# through a cupsd of the test's own on 127.0.0.1 printing to a file.
if(TARGET quelin_texttopdf)
  add_test(NAME cli.cups
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_cups.sh $<TARGET_FILE:quelin_texttopdf>
      ${PROJECT_SOURCE_DIR}/cups/quelin.convs ${CMAKE_CURRENT_BINARY_DIR}/cups-work)
  set_tests_properties(cli.cups PROPERTIES LABELS cli TIMEOUT 300)
endif()
