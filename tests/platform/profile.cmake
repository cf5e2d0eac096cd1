# The INI profile store: its text rules and its files. No Qt, so these run in the
# core-only sanitizer build too.
add_unit_test(test_profile
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/profile_text_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/profile_file_test.cpp
    LIBRARIES vellora_profile)
target_include_directories(test_profile PRIVATE ${CMAKE_SOURCE_DIR}/tests)
