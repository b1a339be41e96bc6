add_test(NAME keyboard.e2e_keyboard COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/e2e_keyboard.sh)
set_tests_properties(keyboard.e2e_keyboard PROPERTIES
    ENVIRONMENT "ZV_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZV_BUILD_DIR=${CMAKE_BINARY_DIR}"
    SKIP_RETURN_CODE 77 LABELS "keyboard;e2e" TIMEOUT 900 RUN_SERIAL TRUE)
