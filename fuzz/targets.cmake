# libFuzzer targets for the code of our own that reads bytes from outside: PDFs, image data,
# JPEG bands, the pipe protocol, report and list files. Built only in the fuzzing build
# (fuzz/cache.cmake), on the project's own libraries instrumented there; `make fuzz` builds
# them and fuzz/run.sh runs each for a bounded time.

set(PAGEKILN_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(pagekiln_fuzz_support STATIC ${PAGEKILN_FUZZ_DIR}/support/FuzzSupport.cpp
    ${PAGEKILN_FUZZ_DIR}/support/FuzzSupport.h ${PAGEKILN_FUZZ_DIR}/support/FuzzMuPdf.h)
target_include_directories(pagekiln_fuzz_support PUBLIC ${PAGEKILN_FUZZ_DIR}/support)
target_link_libraries(pagekiln_fuzz_support PUBLIC Qt6::Core pagekiln_protocol)

add_custom_target(fuzz-all)

# fuzz_<name> from targets/<name>.cpp, linked with libFuzzer's main and the given libraries.
function(pagekiln_fuzz_target name)
    add_executable(fuzz_${name} ${PAGEKILN_FUZZ_DIR}/targets/${name}.cpp)
    target_link_libraries(fuzz_${name} PRIVATE pagekiln_fuzz_support ${ARGN})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    # The fixtures of the protocol target, read at run time.
    target_compile_definitions(fuzz_${name} PRIVATE
        PAGEKILN_FUZZ_FILES="${PAGEKILN_FUZZ_DIR}/files")
    add_dependencies(fuzz-all fuzz_${name})
endfunction()

pagekiln_fuzz_target(page_tree pagekiln_component_common)
pagekiln_fuzz_target(image_rows pagekiln_component_common)
pagekiln_fuzz_target(jpeg_splice pagekiln_component_common)
pagekiln_fuzz_target(pdf_render pagekiln_component_common)
pagekiln_fuzz_target(component_server pagekiln_component_common)
pagekiln_fuzz_target(component_classes pagekiln_component_common)
target_sources(fuzz_component_classes PRIVATE
    ${CMAKE_SOURCE_DIR}/components/gflax/GflAxObject.cpp
    ${CMAKE_SOURCE_DIR}/components/acroexch/AcroObjects.cpp)
target_include_directories(fuzz_component_classes PRIVATE
    ${CMAKE_SOURCE_DIR}/components/gflax ${CMAKE_SOURCE_DIR}/components/acroexch)
pagekiln_fuzz_target(answer_line pagekiln_protocol)
pagekiln_fuzz_target(report_journal pagekiln_cli)
pagekiln_fuzz_target(input_list pagekiln_cli)
