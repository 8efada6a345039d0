# cmake --install <build> --prefix <p>: the program folder is <p>/lib/pagekiln, holding both
# programs, the rendering server and a link to it per component with their registration file,
# the converter scripts and the cursor files; <p>/bin links both programs; the desktop entry and icon go where desktops
# look for them.
set(PAGEKILN_INSTALL_DIR lib/pagekiln)

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

install(DIRECTORY DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(program pagekiln pagekiln-convert)
    install(CODE "
        set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
        file(REMOVE \"\${link}\")
        file(CREATE_LINK \"../${PAGEKILN_INSTALL_DIR}/${program}\" \"\${link}\" SYMBOLIC)
        message(STATUS \"Linking: \${link}\")
    ")
endforeach()

install(FILES resources/pagekiln.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/pagekiln.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
