# The command-line tests use the command's own library, and start the built command.
file(GLOB cli_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cli/tst_*.cpp)
foreach(source ${cli_tests})
    get_filename_component(name ${source} NAME_WE)
    target_link_libraries(cli_${name} PRIVATE pagekiln_cli)
    add_dependencies(cli_${name} pagekiln-convert)
endforeach()

# An install into a temporary prefix, then a conversion from the installed location.
add_test(NAME cli/install
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cli/install_test.sh ${CMAKE_BINARY_DIR}
            ${CMAKE_SOURCE_DIR}/../shared/corpus/pdflatex-4-pages.pdf)
set_tests_properties(cli/install PROPERTIES TIMEOUT 300
    ENVIRONMENT "HOME=${PAGEKILN_TEST_HOME};XDG_CONFIG_HOME=${PAGEKILN_TEST_HOME}/.config")

# The Debian package: built, extracted into a temporary root, used, and checked by lintian.
add_test(NAME cli/deb
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cli/deb_test.sh ${CMAKE_BINARY_DIR}
            ${CMAKE_SOURCE_DIR}/../shared/corpus/pdflatex-4-pages.pdf)
set_tests_properties(cli/deb PROPERTIES TIMEOUT 600
    ENVIRONMENT "HOME=${PAGEKILN_TEST_HOME};XDG_CONFIG_HOME=${PAGEKILN_TEST_HOME}/.config")
