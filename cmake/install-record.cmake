# Part of the install script (cmake/install.cmake runs it first and last): keeps in
# PAGEKILN_INSTALL_RECORD what an install put on this machine, for uninstall.cmake. Lines are
# "prefix <path>", then "file <path>" (links included), then "folder <path>", deepest first:
# the folders that did not exist before. A staged install (DESTDIR, as packages are made) is
# not recorded, since a package manager removes what it installed. PAGEKILN_INSTALL_RECORD in
# the environment puts the record elsewhere (the install test does, to leave the build's alone).
cmake_policy(VERSION 3.25)
if(NOT "$ENV{DESTDIR}" STREQUAL "")
    return()
endif()
if(NOT "$ENV{PAGEKILN_INSTALL_RECORD}" STREQUAL "")
    set(PAGEKILN_INSTALL_RECORD "$ENV{PAGEKILN_INSTALL_RECORD}")
endif()

# The folders written into and their parents, up to the prefix (which is never removed).
cmake_path(SET pagekiln_prefix NORMALIZE "${CMAKE_INSTALL_PREFIX}/")
string(REGEX REPLACE "(.)/$" "\\1" pagekiln_prefix "${pagekiln_prefix}")
set(pagekiln_candidates "")
foreach(folder ${PAGEKILN_INSTALL_FOLDERS})
    cmake_path(SET path NORMALIZE "${pagekiln_prefix}/${folder}")
    while(NOT path STREQUAL pagekiln_prefix AND NOT path IN_LIST pagekiln_candidates)
        list(APPEND pagekiln_candidates "${path}")
        cmake_path(GET path PARENT_PATH path)
    endwhile()
endforeach()

if(PAGEKILN_RECORD_STEP STREQUAL "before")
    set(PAGEKILN_FOLDERS_BEFORE "")
    foreach(path ${pagekiln_candidates})
        if(IS_DIRECTORY "${path}")
            list(APPEND PAGEKILN_FOLDERS_BEFORE "${path}")
        endif()
    endforeach()
    return()
endif()

set(files ${CMAKE_INSTALL_MANIFEST_FILES})
set(folders "")
foreach(path ${pagekiln_candidates})
    if(IS_DIRECTORY "${path}" AND NOT path IN_LIST PAGEKILN_FOLDERS_BEFORE)
        list(APPEND folders "${path}")
    endif()
endforeach()

# Installing again into the same prefix keeps what the earlier install left there: its folders
# existed before this one, and a file it wrote may be one this version no longer installs.
if(EXISTS "${PAGEKILN_INSTALL_RECORD}")
    file(STRINGS "${PAGEKILN_INSTALL_RECORD}" earlier)
    if("prefix ${pagekiln_prefix}" IN_LIST earlier)
        foreach(line ${earlier})
            if(line MATCHES "^(file|folder) (.*)$")
                set(path "${CMAKE_MATCH_2}")
                if(CMAKE_MATCH_1 STREQUAL "folder" AND IS_DIRECTORY "${path}")
                    list(APPEND folders "${path}")
                elseif(CMAKE_MATCH_1 STREQUAL "file" AND (EXISTS "${path}" OR IS_SYMLINK "${path}"))
                    list(APPEND files "${path}")
                endif()
            endif()
        endforeach()
    endif()
endif()
list(REMOVE_DUPLICATES files)
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING) # a folder's subfolders sort after it, so come first

set(text "prefix ${pagekiln_prefix}\n")
foreach(path ${files})
    string(APPEND text "file ${path}\n")
endforeach()
foreach(path ${folders})
    string(APPEND text "folder ${path}\n")
endforeach()
file(WRITE "${PAGEKILN_INSTALL_RECORD}" "${text}")
