# The manual's examples through the engine, and the same check fed a manual with wrong answers,
# which it must refuse.
set(ZV_MANUAL ${CMAKE_SOURCE_DIR}/doc/manual.md)
add_test(NAME doc.manual_examples
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/manual_examples.sh ${CMAKE_BINARY_DIR} ${ZV_MANUAL})
add_test(NAME doc.manual_examples_selftest
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/manual_examples_selftest.sh ${CMAKE_BINARY_DIR}
                 ${ZV_MANUAL})
set_tests_properties(doc.manual_examples doc.manual_examples_selftest PROPERTIES
                     ENVIRONMENT "${ZV_TEST_ENV}" LABELS doc TIMEOUT 900)

# The page for the browser, as the build writes it.
add_test(NAME doc.manual_html
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/manual_html.sh ${CMAKE_BINARY_DIR}/manual.html
                 ${ZV_MANUAL})
set_tests_properties(doc.manual_html PROPERTIES LABELS doc)
