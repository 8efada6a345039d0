# Run by CPack once the Debian package is made (CPACK_POST_BUILD_SCRIPTS). CPack counts a
# symbolic link as the file it points to, so the component links would add the rendering
# server's size twice more to the package's Installed-Size, which apt shows before installing.
# This writes instead what the files take (a link as a link), in KiB, into the control member.
foreach(deb ${CPACK_PACKAGE_FILES})
    set(work "${CPACK_TOPLEVEL_DIRECTORY}/installed-size")
    file(REMOVE_RECURSE "${work}")
    file(MAKE_DIRECTORY "${work}/control")
    execute_process(COMMAND du -s --apparent-size --block-size=1024
        "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}"
        OUTPUT_VARIABLE usage COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCH "^[0-9]+" kib "${usage}")

    execute_process(COMMAND ar x "${deb}" control.tar.gz
        WORKING_DIRECTORY "${work}" COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND tar -xzf ../control.tar.gz
        WORKING_DIRECTORY "${work}/control" COMMAND_ERROR_IS_FATAL ANY)
    file(READ "${work}/control/control" control)
    string(REGEX REPLACE "\nInstalled-Size: [0-9]+\n" "\nInstalled-Size: ${kib}\n" control "${control}")
    file(WRITE "${work}/control/control" "${control}")
    file(GLOB members RELATIVE "${work}/control" "${work}/control/*")
    list(TRANSFORM members PREPEND "./")
    execute_process(COMMAND tar --owner=0 --group=0 --numeric-owner -czf ../control.tar.gz ${members}
        WORKING_DIRECTORY "${work}/control" COMMAND_ERROR_IS_FATAL ANY)
    # ar replaces the member where it stands, so the order dpkg requires is kept.
    execute_process(COMMAND ar r "${deb}" control.tar.gz
        WORKING_DIRECTORY "${work}" COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${work}")
    message(STATUS "Installed-Size of ${deb}: ${kib} KiB")
endforeach()
