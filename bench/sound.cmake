# The capture cycle on a real sound server: run under scripts/with-fake-soundcard.
add_executable(bench_capture capture_bench.cpp)
target_link_libraries(bench_capture PRIVATE vellora_sound vellora_capture vellora_calibration_core)
set_target_properties(bench_capture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
