# cpack -G DEB (make deb): a Debian package of what cmake/install.cmake installs, under /usr.
# Its Depends are read from the binaries by dpkg-shlibdeps, plus what is only started or
# loaded at run time: Ghostscript for two methods, and Qt's platform plugins for the window.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pagekiln)
set(CPACK_PACKAGE_VENDOR "Pagekiln developers")
set(CPACK_PACKAGE_CONTACT "Pagekiln developers <maintainers@pagekiln.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bulk converter of PDF documents to JPG images")
set(CPACK_PACKAGE_DESCRIPTION
    "Pagekiln turns PDF documents into JPG images, page by page, in bulk.\n"
    "It has a window for lists of files and folders, and the command\n"
    "pagekiln-convert for scripts and clusters, with four conversion methods:\n"
    "two on Ghostscript and two on MuPDF.")
list(JOIN CPACK_PACKAGE_DESCRIPTION "" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The binaries go without their debug information, and xz packs the rendering server's
# built-in fonts best.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ghostscript, qt6-qpa-plugins")
# The size the package takes once installed, counting the component links as links.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian/installed-size.cmake)

# What Debian policy asks of every package: the copyright notice, a compressed changelog and
# a manual page for each command.
set(PAGEKILN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pagekiln)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/copyright DESTINATION ${PAGEKILN_DOC_DIR})
set(PAGEKILN_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(OUTPUT ${PAGEKILN_CHANGELOG}
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/cmake/debian/changelog > ${PAGEKILN_CHANGELOG}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/debian/changelog)
add_custom_target(pagekiln_changelog ALL DEPENDS ${PAGEKILN_CHANGELOG})
install(FILES ${PAGEKILN_CHANGELOG} DESTINATION ${PAGEKILN_DOC_DIR})
foreach(page pagekiln.1 pagekiln-convert.1)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${page}.gz
        COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/cmake/debian/${page} > ${CMAKE_BINARY_DIR}/${page}.gz
        DEPENDS ${CMAKE_SOURCE_DIR}/cmake/debian/${page})
    add_custom_target(pagekiln_man_${page} ALL DEPENDS ${CMAKE_BINARY_DIR}/${page}.gz)
    install(FILES ${CMAKE_BINARY_DIR}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

include(CPack)
