# End-to-end tests of "Compilar Programa" on an X server, and the helper that closes a window
# the way its close box does.
find_package(X11 QUIET)
if(X11_FOUND)
  add_executable(zv_wm_close ${CMAKE_CURRENT_LIST_DIR}/wm_close.cpp)
  target_link_libraries(zv_wm_close PRIVATE X11::X11)
endif()

foreach(script e2e_compile e2e_interpreter e2e_paste e2e_close_running)
  add_test(NAME run.${script} COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/${script}.sh)
  set_tests_properties(run.${script} PROPERTIES ENVIRONMENT "${ZV_TEST_ENV}" LABELS "run;e2e"
                       SKIP_RETURN_CODE 77 TIMEOUT 900 RUN_SERIAL TRUE)
endforeach()
