# The settings keys, the language lookup and the shipped language files, the file
# locations; all window-free except the Qt folders.
add_unit_test(test_settings
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings_store_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/language_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/data_files_test.cpp
    LIBRARIES vellora_settings)
target_include_directories(test_settings PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(test_settings PRIVATE
    VELLORA_SOURCE_LANG_DIR="${CMAKE_SOURCE_DIR}/lang"
    VELLORA_RUNTIME_LANG_DIR="${VELLORA_RUNTIME_DIR}")
add_dependencies(test_settings vellora_language_files)

if(NOT VELLORA_CORE_ONLY)
    add_unit_test(test_settings_location
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings_location_test.cpp
        LIBRARIES vellora_settings_location)
    target_include_directories(test_settings_location PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
