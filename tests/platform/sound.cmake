# The command set, the device logic and the capture sequence, against fakes.
add_unit_test(test_recorder
    SOURCES wave_audio_recorder_test.cpp capture_sequence_test.cpp
    LIBRARIES vellora_recorder vellora_capture)

# The audio library side. The loop-back tests need the fake sound card of
# scripts/with-fake-soundcard and skip without it; the no-server test always runs.
# They share one sound card, so no two of them run at once: a tone one test plays
# would sound in another's "silent" clip.
if(NOT VELLORA_CORE_ONLY)
    add_executable(test_sound
        audio_resampler_test.cpp sound_loopback_test.cpp sound_no_server_test.cpp
        sound_test_support.cpp)
    target_link_libraries(test_sound PRIVATE
        vellora_sound vellora_capture vellora_measure_core vellora_calibration_core
        GTest::gtest GTest::gtest_main)
    set_target_properties(test_sound PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(test_sound
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
        PROPERTIES RESOURCE_LOCK vellora_sound_card
        DISCOVERY_TIMEOUT 60)
endif()
