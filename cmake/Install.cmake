# SPDX-License-Identifier: GPL-3.0-or-later
# Installation as Linux users expect: the program in bin, the language files and the
# help under share/vellora (where the program looks after its own folder, by the path
# from bin), a desktop entry, the icon in every size a desktop asks for and AppStream
# metadata so it appears in menus, docks and software centres, manual pages, and the
# copyright and changelog Debian asks for.
include(GNUInstallDirs)

# The id AppStream and the desktop file share; the icon keeps the program's name.
set(VELLORA_APP_ID invalid.vellora.vellora)
set(VELLORA_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(VELLORA_PACKAGING_BUILD_DIR ${CMAKE_BINARY_DIR}/packaging)

# Debian wants 0755 directories whatever the umask of whoever builds the package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Manual pages carry the project's version; they and the changelog are compressed
# with gzip -9n, without name or time stamp, so that the package builds reproducibly.
find_program(VELLORA_GZIP gzip REQUIRED)
set(compressed_docs)
foreach(page vellora.1 vellora-analyze.1)
    configure_file(${VELLORA_PACKAGING_DIR}/${page}.in ${VELLORA_PACKAGING_BUILD_DIR}/${page} @ONLY)
endforeach()
configure_file(${VELLORA_PACKAGING_DIR}/changelog ${VELLORA_PACKAGING_BUILD_DIR}/changelog COPYONLY)
foreach(doc vellora.1 vellora-analyze.1 changelog)
    add_custom_command(
        OUTPUT ${VELLORA_PACKAGING_BUILD_DIR}/${doc}.gz
        COMMAND ${VELLORA_GZIP} -9nkf ${VELLORA_PACKAGING_BUILD_DIR}/${doc}
        DEPENDS ${VELLORA_PACKAGING_BUILD_DIR}/${doc}
        VERBATIM)
    list(APPEND compressed_docs ${VELLORA_PACKAGING_BUILD_DIR}/${doc}.gz)
endforeach()
add_custom_target(vellora-compressed-docs ALL DEPENDS ${compressed_docs})

# The icon drawn from its SVG at the sizes of the hicolor theme that menus, docks and
# title bars use.
find_program(VELLORA_RSVG_CONVERT rsvg-convert REQUIRED)
set(VELLORA_ICON_SIZES 16 22 24 32 48 64 128 256)
set(icons)
foreach(size IN LISTS VELLORA_ICON_SIZES)
    set(icon ${VELLORA_PACKAGING_BUILD_DIR}/icons/${size}x${size}/vellora.png)
    add_custom_command(
        OUTPUT ${icon}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VELLORA_PACKAGING_BUILD_DIR}/icons/${size}x${size}
        COMMAND ${VELLORA_RSVG_CONVERT} -w ${size} -h ${size} -o ${icon} ${VELLORA_PACKAGING_DIR}/vellora.svg
        DEPENDS ${VELLORA_PACKAGING_DIR}/vellora.svg
        VERBATIM)
    list(APPEND icons ${icon})
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(vellora-icons ALL DEPENDS ${icons})

if(TARGET vellora)
    install(TARGETS vellora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS vellora-analyze RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The compiler's version notes (.comment) serve nobody in an installed program.
install(CODE "
    foreach(program vellora vellora-analyze)
        set(file \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
        if(EXISTS \"\${file}\")
            execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\${file}\"
                            COMMAND_ERROR_IS_FATAL ANY)
        endif()
    endforeach()")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/lang/ DESTINATION ${VELLORA_DATA_SUBDIR} FILES_MATCHING PATTERN "*.lng")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/help/ DESTINATION ${VELLORA_DATA_SUBDIR}/help)
install(FILES ${VELLORA_PACKAGING_DIR}/${VELLORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VELLORA_PACKAGING_DIR}/${VELLORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${VELLORA_PACKAGING_DIR}/vellora.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${VELLORA_PACKAGING_BUILD_DIR}/vellora.1.gz ${VELLORA_PACKAGING_BUILD_DIR}/vellora-analyze.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${VELLORA_PACKAGING_DIR}/vellora.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vellora)
# GNUInstallDirs' DOCDIR would be share/doc/Vellora: Debian names the folder after the package.
install(FILES ${VELLORA_PACKAGING_DIR}/copyright ${VELLORA_PACKAGING_BUILD_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vellora)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vellora developers <dev@vellora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Frequency meter for checking timing belt tension")
# One line each: CPack does not wrap, and lintian wants lines under 80 characters.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vellora measures the frequency at which an engine timing belt vibrates when"
    "it is plucked: with a microphone held near the belt, it shows the spectrum"
    "of a 400 ms recording and the belt's frequency in hertz, to compare with the"
    "manufacturer's figure. It calibrates its frequency scale with a tone played"
    "through the loudspeaker, gives the belt's fundamental to 0.1 Hz and, for a"
    "described belt, its tension."
    ""
    "The package also holds vellora-analyze, which prints the reading of saved"
    "recordings.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vellora.invalid/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debug information goes to vellora-dbgsym (a .ddeb next to the .deb); the programs in
# the .deb are stripped. CPACK_STRIP_FILES would strip them before the split, leaving
# no debug information to keep.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_POST_BUILD_SCRIPTS ${VELLORA_PACKAGING_DIR}/repair-dbgsym.cmake)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
include(CPack)
