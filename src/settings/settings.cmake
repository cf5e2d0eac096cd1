# The settings file's keys, the language lookup and where the program's files are
# (window-free, also in the core-only build); the folders from Qt; the language files
# next to the built program.
add_library(vellora_settings STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/settings_store.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/language.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/data_files.cpp)
target_include_directories(vellora_settings PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vellora_settings PUBLIC vellora_profile)

if(NOT VELLORA_CORE_ONLY)
    add_library(vellora_settings_location STATIC ${CMAKE_CURRENT_SOURCE_DIR}/settings_location.cpp)
    target_link_libraries(vellora_settings_location PUBLIC vellora_settings Qt6::Core)
endif()

# English.lng and Français.lng beside the program in the build tree, as installed.
set(VELLORA_LANGUAGE_FILES
    ${CMAKE_SOURCE_DIR}/lang/English.lng
    "${CMAKE_SOURCE_DIR}/lang/Français.lng")
set(_vellora_language_copies)
foreach(_lng IN LISTS VELLORA_LANGUAGE_FILES)
    get_filename_component(_name "${_lng}" NAME)
    add_custom_command(
        OUTPUT "${VELLORA_RUNTIME_DIR}/${_name}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${VELLORA_RUNTIME_DIR}"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different "${_lng}" "${VELLORA_RUNTIME_DIR}/${_name}"
        DEPENDS "${_lng}"
        COMMENT "Copying ${_name} beside the program"
        VERBATIM)
    list(APPEND _vellora_language_copies "${VELLORA_RUNTIME_DIR}/${_name}")
endforeach()
add_custom_target(vellora_language_files ALL DEPENDS ${_vellora_language_copies})
