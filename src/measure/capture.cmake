# The capture sequence: window-free, so the sanitizer build covers it.
add_library(vellora_capture STATIC capture_sequence.cpp)
target_include_directories(vellora_capture PUBLIC ${CMAKE_SOURCE_DIR}/src)
