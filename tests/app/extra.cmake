# The real program under a private X server.
add_test(NAME app/e2e_window
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/app/e2e_window.sh ${PAGEKILN_PROGRAM_DIR}/pagekiln)
set_tests_properties(app/e2e_window PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
