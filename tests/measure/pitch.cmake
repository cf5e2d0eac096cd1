# The synthetic material is shared with the benchmark and the comparison with aubio.
add_library(vellora_pitch_synth STATIC ${CMAKE_CURRENT_LIST_DIR}/pitch_synth.cpp)
target_include_directories(vellora_pitch_synth PUBLIC ${CMAKE_CURRENT_LIST_DIR})

add_unit_test(test_pitch
    SOURCES pitch_estimator_test.cpp pitch_parts_test.cpp
    LIBRARIES vellora_pitch vellora_pitch_calibration vellora_pitch_synth)
add_unit_test(test_belt
    SOURCES belt_setup_test.cpp belt_store_test.cpp reading_log_test.cpp
    LIBRARIES vellora_belt vellora_belt_profile)

# On the fake sound card of scripts/with-fake-soundcard (skips without it); it shares
# the card with the other loop-back tests, so never runs beside them.
if(NOT VELLORA_CORE_ONLY)
    add_executable(test_pitch_loopback
        pitch_loopback_test.cpp ${CMAKE_SOURCE_DIR}/tests/platform/sound_test_support.cpp)
    target_include_directories(test_pitch_loopback PRIVATE ${CMAKE_SOURCE_DIR}/tests/platform)
    target_link_libraries(test_pitch_loopback PRIVATE
        vellora_sound vellora_capture vellora_measure_core vellora_pitch vellora_belt
        vellora_pitch_synth GTest::gtest GTest::gtest_main)
    set_target_properties(test_pitch_loopback PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(test_pitch_loopback
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
        PROPERTIES RESOURCE_LOCK vellora_sound_card
        DISCOVERY_TIMEOUT 60)
endif()

# The Belt window, offscreen.
if(NOT VELLORA_CORE_ONLY)
    add_unit_test(test_belt_window SOURCES belt_window_test.cpp LIBRARIES vellora_belt_window)
endif()
