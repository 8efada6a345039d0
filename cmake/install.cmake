# cmake --install <build> --prefix <p>: the program folder is <p>/lib/pagekiln, holding both
# programs, the rendering server and a link to it per component with their registration file,
# the converter scripts and the cursor files; <p>/bin links both programs; the desktop entry
# and icon go where desktops look for them, the manual pages where man looks.
#
# cmake -P <build>/uninstall.cmake (make uninstall) takes it all away again: every install
# that is not staged (no DESTDIR) leaves <build>/install_record.txt, naming the files it
# wrote, links included, and the folders it had to create.
set(PAGEKILN_INSTALL_DIR lib/pagekiln)
set(PAGEKILN_INSTALL_RECORD ${CMAKE_BINARY_DIR}/install_record.txt)

# Installing builds nothing by itself (the package would otherwise build the tests too): the
# target pagekiln_program below is what must be built first (make build, which make deb runs).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The folders written into, below the prefix; the record step looks at them and their parents.
set(PAGEKILN_INSTALL_FOLDERS ${CMAKE_INSTALL_BINDIR} ${PAGEKILN_INSTALL_DIR}/ps
    ${PAGEKILN_INSTALL_DIR}/bw ${CMAKE_INSTALL_DATADIR}/applications
    ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps ${CMAKE_INSTALL_MANDIR}/man1)
set(record_step "
    set(PAGEKILN_INSTALL_RECORD \"${PAGEKILN_INSTALL_RECORD}\")
    set(PAGEKILN_INSTALL_FOLDERS \"${PAGEKILN_INSTALL_FOLDERS}\")
    include(\"${CMAKE_SOURCE_DIR}/cmake/install-record.cmake\")")
install(CODE "set(PAGEKILN_RECORD_STEP before)${record_step}")

install(TARGETS pagekiln pagekiln-convert ${PAGEKILN_RENDER_SERVER}
    RUNTIME DESTINATION ${PAGEKILN_INSTALL_DIR})
get_property(component_links GLOBAL PROPERTY PAGEKILN_COMPONENT_LINKS)
foreach(link ${component_links})
    install(FILES ${PAGEKILN_PROGRAM_DIR}/${link} DESTINATION ${PAGEKILN_INSTALL_DIR})
endforeach()
install(FILES ${PAGEKILN_PROGRAM_DIR}/components.ini DESTINATION ${PAGEKILN_INSTALL_DIR})
install(PROGRAMS components/ps/pdf2tiff.sh DESTINATION ${PAGEKILN_INSTALL_DIR}/ps)
install(PROGRAMS components/bw/convert.sh DESTINATION ${PAGEKILN_INSTALL_DIR}/bw)
install(FILES resources/HAND-M.CUR resources/drag.ico DESTINATION ${PAGEKILN_INSTALL_DIR})

# The links in <prefix>/bin are made here and installed as links, so they are files of the
# install like any other.
set(bin_links ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${bin_links})
foreach(program pagekiln pagekiln-convert)
    file(CREATE_LINK ../${PAGEKILN_INSTALL_DIR}/${program} ${bin_links}/${program} SYMBOLIC)
    install(FILES ${bin_links}/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

install(FILES resources/pagekiln.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/pagekiln.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(manual_pages "")
set(window_page ${CMAKE_BINARY_DIR}/pagekiln.1.gz)
add_custom_command(OUTPUT ${window_page}
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/cmake/debian/pagekiln.1 > ${window_page}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/debian/pagekiln.1)
list(APPEND manual_pages ${window_page})
# The command's page is made from its own --help, so the two never tell different stories.
find_program(HELP2MAN help2man REQUIRED)
set(command_page ${CMAKE_BINARY_DIR}/pagekiln-convert.1)
set(command_extra ${CMAKE_SOURCE_DIR}/cmake/debian/pagekiln-convert.h2m)
add_custom_command(OUTPUT ${command_page}.gz
    COMMAND ${HELP2MAN} --no-info --section=1 --include=${command_extra}
        "--name=convert PDF documents to JPG images in bulk" --output=${command_page}
        $<TARGET_FILE:pagekiln-convert>
    COMMAND gzip -9nf ${command_page}
    DEPENDS pagekiln-convert ${command_extra})
list(APPEND manual_pages ${command_page}.gz)
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
add_custom_target(pagekiln_manual_pages ALL DEPENDS ${manual_pages})

# Last, once every file is in place.
install(CODE "set(PAGEKILN_RECORD_STEP after)${record_step}")
configure_file(cmake/uninstall.cmake.in ${CMAKE_BINARY_DIR}/uninstall.cmake @ONLY)

# Everything installed, and so everything `make run` needs: the programs, the rendering server
# and its links, the registration, the scripts and cursors (copied when configuring), the
# manual pages.
add_custom_target(pagekiln_program)
add_dependencies(pagekiln_program pagekiln pagekiln-convert ${component_links}
    pagekiln_manual_pages)
