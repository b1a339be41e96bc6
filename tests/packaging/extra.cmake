# make install into a staging folder and make deb's package, checked with the desktop's validators.
add_test(NAME packaging.install COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/install.sh)
set_tests_properties(packaging.install PROPERTIES ENVIRONMENT "${ZV_TEST_ENV}" LABELS packaging
                     SKIP_RETURN_CODE 77 TIMEOUT 600 RUN_SERIAL TRUE)
