# The document commands on a real X server, and printing with no default printer set up.
add_test(NAME document.e2e COMMAND ${CMAKE_CURRENT_LIST_DIR}/e2e_document.sh)
set_tests_properties(document.e2e PROPERTIES
                     ENVIRONMENT "${ZV_TEST_ENV}" SKIP_RETURN_CODE 77 LABELS "document;e2e"
                     TIMEOUT 900 RUN_SERIAL TRUE)

# With the scheduler out of reach there is no default printer, whatever CI set up.
add_test(NAME document.noDefaultPrinter COMMAND tst_printing missingDefaultPrinterIsReported)
set_tests_properties(document.noDefaultPrinter PROPERTIES
                     ENVIRONMENT "${ZV_TEST_ENV};CUPS_SERVER=${CMAKE_BINARY_DIR}/no-cups-here.sock"
                     LABELS document TIMEOUT 900)

# Escape, the close box and F3 on the real window, with a window manager, and a document named on
# the command line.
add_test(NAME document.e2e_reflexes COMMAND ${CMAKE_CURRENT_LIST_DIR}/e2e_reflexes.sh)
set_tests_properties(document.e2e_reflexes PROPERTIES
                     ENVIRONMENT "${ZV_TEST_ENV}" SKIP_RETURN_CODE 77 LABELS "document;e2e"
                     TIMEOUT 900 RUN_SERIAL TRUE)
