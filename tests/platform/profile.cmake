# The INI profile store. No Qt, so it runs in the core-only sanitizer build too.
add_unit_test(test_profile SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/profile_test.cpp
    LIBRARIES vellora_profile)
target_include_directories(test_profile PRIVATE ${CMAKE_SOURCE_DIR}/tests)
