add_test(NAME palette.e2e_palette COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/e2e_palette.sh)
set_tests_properties(palette.e2e_palette PROPERTIES
    ENVIRONMENT "ZV_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZV_BUILD_DIR=${CMAKE_BINARY_DIR}"
    SKIP_RETURN_CODE 77 LABELS "palette;e2e" TIMEOUT 900 RUN_SERIAL TRUE)

# The palette's TeX names against the engine's table, which the editor itself does not link.
target_link_libraries(tst_texnames_agree PRIVATE zvlogic)
