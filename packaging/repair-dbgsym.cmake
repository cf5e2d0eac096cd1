# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack once the packages are built. CMake 3.25 writes the dbgsym package's
# md5sums with the files' paths in its own staging folder, so dpkg --verify and lintian
# find none of them, and it leaves out the documentation link Debian's debug packages
# carry. This unpacks the .ddeb, writes both right and packs it again.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "-dbgsym_[^/]*\\.ddeb$")
        continue()
    endif()
    set(tree "${CPACK_TOPLEVEL_DIRECTORY}/dbgsym-repair")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)

    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${tree}" "${tree}/usr/*")
    list(SORT files)
    set(sums "")
    foreach(f IN LISTS files)
        # Debug files are data, read by the debugger, not run.
        file(CHMOD "${tree}/${f}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
        file(MD5 "${tree}/${f}" sum)
        string(APPEND sums "${sum}  ${f}\n")
    endforeach()
    file(WRITE "${tree}/DEBIAN/md5sums" "${sums}")

    # Its copyright and changelog are those of the package it belongs to.
    file(READ "${tree}/DEBIAN/control" control)
    string(REGEX MATCH "\nPackage: ([^\n]+)" _ "\n${control}")
    set(name "${CMAKE_MATCH_1}")
    string(REGEX REPLACE "-dbgsym$" "" parent "${name}")
    file(MAKE_DIRECTORY "${tree}/usr/share/doc")
    file(CREATE_LINK "${parent}" "${tree}/usr/share/doc/${name}" SYMBOLIC)

    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build "${tree}" "${package}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
