# The help viewer (our stand-in for HTML Help), the help class over it, and the help
# pages copied next to the built program, where it looks for them first.
if(NOT VELLORA_CORE_ONLY)
    add_library(vellora_help STATIC
        ${CMAKE_CURRENT_SOURCE_DIR}/help_viewer.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/help_viewer_browser.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/help_viewer_contents.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/help_viewer_search.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/help_viewer_target.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/help_viewer_window.cpp
        ${CMAKE_SOURCE_DIR}/src/settings/chelp.cpp)
    target_include_directories(vellora_help PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(vellora_help PUBLIC Qt6::Widgets Qt6::Gui PRIVATE vellora_common)

    file(GLOB_RECURSE VELLORA_HELP_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
    add_custom_target(vellora_help_pages ALL
        COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/help ${VELLORA_RUNTIME_DIR}/help
        DEPENDS ${VELLORA_HELP_FILES}
        COMMENT "Copying the help pages next to the program"
        VERBATIM)
    add_dependencies(vellora_help vellora_help_pages)
endif()
