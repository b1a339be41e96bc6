add_test(NAME check.e2e_logic COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/e2e_logic.sh)
set_tests_properties(check.e2e_logic PROPERTIES
    ENVIRONMENT "ZV_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZV_BUILD_DIR=${CMAKE_BINARY_DIR}"
    SKIP_RETURN_CODE 77 LABELS "check;e2e" TIMEOUT 1800 RUN_SERIAL TRUE)

add_executable(fake_logic_worker ${CMAKE_CURRENT_LIST_DIR}/fake_worker.cpp)
set_target_properties(fake_logic_worker PROPERTIES AUTOMOC OFF AUTORCC OFF)
add_dependencies(tst_logiccheck fake_logic_worker zarvik-logic)
add_dependencies(tst_diagrams zarvik-logic)
add_dependencies(tst_proving fake_logic_worker zarvik-logic)
add_test(NAME check.e2e_drawing COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/e2e_drawing.sh)
set_tests_properties(check.e2e_drawing PROPERTIES
    ENVIRONMENT "ZV_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZV_BUILD_DIR=${CMAKE_BINARY_DIR}"
    SKIP_RETURN_CODE 77 LABELS "check;e2e" TIMEOUT 1800 RUN_SERIAL TRUE)
add_test(NAME check.e2e_worksheet COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/e2e_worksheet.sh)
set_tests_properties(check.e2e_worksheet PROPERTIES
    ENVIRONMENT "ZV_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZV_BUILD_DIR=${CMAKE_BINARY_DIR}"
    SKIP_RETURN_CODE 77 LABELS "check;e2e" TIMEOUT 1800 RUN_SERIAL TRUE)
add_test(NAME check.e2e_derivations COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/e2e_derivations.sh)
set_tests_properties(check.e2e_derivations PROPERTIES
    ENVIRONMENT "ZV_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZV_BUILD_DIR=${CMAKE_BINARY_DIR}"
    SKIP_RETURN_CODE 77 LABELS "check;e2e" TIMEOUT 1800 RUN_SERIAL TRUE)
add_dependencies(tst_worker zarvik-logic)
# On a machine as busy as it gets, the engine's own processor-time limits take many times their
# length on the wall clock.
set_tests_properties(check.tst_logiccheck check.tst_proving check.tst_diagrams check.tst_worker
    PROPERTIES TIMEOUT 1800)
add_dependencies(tst_longanswers fake_logic_worker)
add_dependencies(tst_edgetexts fake_logic_worker zarvik-logic)
set_tests_properties(check.tst_edgetexts PROPERTIES TIMEOUT 1800)
# "Corregir entregas…" runs zarvik-pl beside the test.
add_dependencies(tst_marking zarvik-pl zarvik-logic)
set_tests_properties(check.tst_marking PROPERTIES TIMEOUT 1800)
