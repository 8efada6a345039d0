# The real program under a private X server.
add_test(NAME app/e2e_window
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/app/e2e_window.sh ${PAGEKILN_PROGRAM_DIR}/pagekiln)
set_tests_properties(app/e2e_window PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)

# A helper for tst_program_end: the window closed by its user during a run.
add_executable(close_during_run ${CMAKE_CURRENT_SOURCE_DIR}/app/close_during_run.cpp)
target_link_libraries(close_during_run PRIVATE pagekiln_test_support)
add_dependencies(app_tst_program_end close_during_run)
