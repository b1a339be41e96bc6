# The platform folders include each other in the order src/platform/README.md gives.
add_test(NAME platform.layers COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/layers.sh ${CMAKE_SOURCE_DIR}/src/platform)
set_tests_properties(platform.layers PROPERTIES LABELS platform TIMEOUT 30)
