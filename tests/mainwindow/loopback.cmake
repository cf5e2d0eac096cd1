# The whole window on the fake sound card of scripts/with-fake-soundcard: the
# calibration tone played, recorded, drawn and read out. It skips without that card
# and shares the card with the other sound tests, so none of them run at once.
if(NOT VELLORA_CORE_ONLY AND TARGET vellora_form1 AND TARGET vellora_sound)
    add_executable(test_run_loopback
        ${CMAKE_CURRENT_SOURCE_DIR}/run_loopback_test.cpp
        ${CMAKE_SOURCE_DIR}/tests/platform/sound_test_support.cpp)
    target_include_directories(test_run_loopback PRIVATE ${CMAKE_SOURCE_DIR}/tests/platform)
    target_link_libraries(test_run_loopback PRIVATE
        vellora_form1 vellora_capture vellora_sound GTest::gtest GTest::gtest_main)
    set_target_properties(test_run_loopback PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(test_run_loopback
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" RESOURCE_LOCK vellora_sound_card
        DISCOVERY_TIMEOUT 60)
endif()
