# The synthetic material is shared with the benchmark and the comparison with aubio.
add_library(vellora_pitch_synth STATIC ${CMAKE_CURRENT_LIST_DIR}/pitch_synth.cpp)
target_include_directories(vellora_pitch_synth PUBLIC ${CMAKE_CURRENT_LIST_DIR})

add_unit_test(test_pitch
    SOURCES pitch_estimator_test.cpp pitch_parts_test.cpp
    LIBRARIES vellora_pitch vellora_pitch_calibration vellora_pitch_synth)
add_unit_test(test_belt
    SOURCES belt_setup_test.cpp belt_store_test.cpp reading_log_test.cpp
    LIBRARIES vellora_belt vellora_belt_profile)
