# Run by CPack while it stages the Debian package (CPACK_INSTALL_SCRIPTS): the package's
# copyright notice and its changelog, compressed as Debian policy asks.
set(doc "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/pagekiln")
file(MAKE_DIRECTORY "${doc}")
file(COPY "${CPACK_PAGEKILN_DEBIAN_DIR}/copyright" DESTINATION "${doc}"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
execute_process(COMMAND gzip -9n
    INPUT_FILE "${CPACK_PAGEKILN_DEBIAN_DIR}/changelog"
    OUTPUT_FILE "${doc}/changelog.Debian.gz"
    COMMAND_ERROR_IS_FATAL ANY)
