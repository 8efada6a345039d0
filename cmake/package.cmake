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

# What Debian policy asks of every package and only a package carries: the copyright notice
# and a compressed changelog, added to the package's staging folder (a plain install has
# neither). The manual pages are installed by cmake/install.cmake.
set(CPACK_PAGEKILN_DEBIAN_DIR ${CMAKE_SOURCE_DIR}/cmake/debian)
set(CPACK_INSTALL_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian/docs.cmake)
# The size the package takes once installed, counting the component links as links.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian/installed-size.cmake)

include(CPack)
