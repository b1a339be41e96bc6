# Every include follows the layer graph of ARCHITECTURE.md, and inside src/platform the graph of
# src/platform/README.md; the self-test makes sure the check still fails a forbidden include.
add_test(NAME platform.layers COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/layers.sh ${CMAKE_SOURCE_DIR})
set_tests_properties(platform.layers PROPERTIES LABELS platform TIMEOUT 900)
add_test(NAME platform.layers_selftest
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/layers_selftest.sh ${CMAKE_SOURCE_DIR})
set_tests_properties(platform.layers_selftest PROPERTIES LABELS platform TIMEOUT 900)
