# The run in the real window on the sound server in use: run under
# scripts/with-fake-soundcard.
if(TARGET vellora_form1 AND TARGET vellora_sound)
    add_executable(bench_window ${CMAKE_CURRENT_SOURCE_DIR}/window_bench.cpp)
    target_link_libraries(bench_window PRIVATE
        vellora_form1 vellora_capture vellora_sound vellora_calibration_core benchmark::benchmark)
    set_target_properties(bench_window PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
