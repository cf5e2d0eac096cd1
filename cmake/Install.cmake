# Installation as Linux users expect: the program in bin, the language files and the
# help under share/vellora (where the program looks after its own folder), a desktop
# entry and an icon so it appears in the desktop's menu.
include(GNUInstallDirs)

if(TARGET vellora)
    install(TARGETS vellora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS vellora-analyze RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/lang/ DESTINATION ${VELLORA_DATA_SUBDIR} FILES_MATCHING PATTERN "*.lng")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/help/ DESTINATION ${VELLORA_DATA_SUBDIR}/help)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vellora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vellora.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vellora.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vellora developers <dev@vellora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Frequency meter for checking timing belt tension")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
