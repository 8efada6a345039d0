# A stand-in server for fault tests, and the server code itself for in-process protocol tests.
add_executable(pagekiln-fake-server ${CMAKE_CURRENT_LIST_DIR}/fake_server.cpp)
target_link_libraries(pagekiln-fake-server PRIVATE pagekiln_component_common)
set_target_properties(pagekiln-fake-server PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/helpers)

foreach(target components_tst_faultisolation)
    if(TARGET ${target})
        add_dependencies(${target} pagekiln-fake-server pagekiln-gflax pagekiln-acroexch)
        target_compile_definitions(${target} PRIVATE
            PAGEKILN_FAKE_SERVER="$<TARGET_FILE:pagekiln-fake-server>")
    endif()
endforeach()

foreach(target components_tst_componentserver components_tst_imagefidelity)
    if(TARGET ${target})
        target_sources(${target} PRIVATE
            ${CMAKE_SOURCE_DIR}/components/gflax/GflAxObject.cpp
            ${CMAKE_SOURCE_DIR}/components/acroexch/AcroObjects.cpp)
        target_include_directories(${target} PRIVATE
            ${CMAKE_SOURCE_DIR}/components/gflax ${CMAKE_SOURCE_DIR}/components/acroexch)
        target_link_libraries(${target} PRIVATE pagekiln_component_common)
    endif()
endforeach()

# Tests that drive the real servers need them built first.
foreach(target convert_tst_gflaxconversion convert_tst_acrobatconversion
        components_tst_serverlinks)
    if(TARGET ${target})
        add_dependencies(${target} pagekiln-gflax pagekiln-acroexch)
    endif()
endforeach()

foreach(target components_tst_renderpool components_tst_runledger components_tst_jpegwriter
        components_tst_jpegsplice components_tst_pagetree)
    if(TARGET ${target})
        target_link_libraries(${target} PRIVATE pagekiln_component_common)
    endif()
endforeach()

# The memory budget: the allocator in process, and the real server under a small budget.
if(TARGET components_tst_memorybudget)
    target_link_libraries(components_tst_memorybudget PRIVATE pagekiln_component_common)
    add_dependencies(components_tst_memorybudget pagekiln-gflax)
endif()
