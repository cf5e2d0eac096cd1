# The INI profile store standing in for the Windows profile service. No Qt: the
# core-only sanitizer and fuzz build uses it too.
add_library(vellora_profile STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/profile_encoding.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/profile_text.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/profile.cpp)
target_include_directories(vellora_profile PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vellora_profile PUBLIC vellora_common)
