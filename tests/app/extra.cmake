# The real program under a private X server.
add_test(NAME app/e2e_window
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/app/e2e_window.sh ${PAGEKILN_PROGRAM_DIR}/pagekiln)
set_tests_properties(app/e2e_window PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)

# A helper for tst_program_end: the window closed by its user during a run.
add_executable(close_during_run ${CMAKE_CURRENT_SOURCE_DIR}/app/close_during_run.cpp)
target_link_libraries(close_during_run PRIVATE pagekiln_test_support)
add_dependencies(app_tst_program_end close_during_run)

# A drop from another program onto the running window, under a private X server.
add_executable(drag_source ${CMAKE_CURRENT_SOURCE_DIR}/app/drag_source.cpp)
target_link_libraries(drag_source PRIVATE Qt6::Widgets)
add_test(NAME app/e2e_drop
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/app/e2e_drop.sh ${PAGEKILN_PROGRAM_DIR}/pagekiln
            $<TARGET_FILE:drag_source> ${CMAKE_SOURCE_DIR}/../shared/corpus)
set_tests_properties(app/e2e_drop PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
