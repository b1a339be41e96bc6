# make install into a staging folder and make deb's package, checked with the desktop's validators.
add_test(NAME packaging.install COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/install.sh)
set_tests_properties(packaging.install PROPERTIES ENVIRONMENT "${ZV_TEST_ENV}" LABELS packaging
                     SKIP_RETURN_CODE 77 TIMEOUT 1200 RUN_SERIAL TRUE)

# The installed program as an ordinary user, from a read-only installation, on an X server.
add_test(NAME packaging.e2e_installed COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/e2e_installed.sh)
set_tests_properties(packaging.e2e_installed PROPERTIES ENVIRONMENT "${ZV_TEST_ENV}"
                     LABELS "packaging;e2e" SKIP_RETURN_CODE 77 TIMEOUT 900 RUN_SERIAL TRUE)

# The installed program as a user whose home does not exist: every failure says what and where.
add_test(NAME packaging.e2e_nohome COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/e2e_nohome.sh)
set_tests_properties(packaging.e2e_nohome PROPERTIES ENVIRONMENT "${ZV_TEST_ENV}"
                     LABELS "packaging;e2e" SKIP_RETURN_CODE 77 TIMEOUT 900 RUN_SERIAL TRUE)

# Each command's --help against its manual page, and unknown options refused before any file.
add_test(NAME packaging.options COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/options.sh)
set_tests_properties(packaging.options PROPERTIES ENVIRONMENT "${ZV_TEST_ENV}" LABELS packaging
                     TIMEOUT 900)
