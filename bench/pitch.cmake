# The precise estimator: its cost per cycle, and the material for scripts comparing it
# with other estimators (compare_aubio.sh).
if(NOT TARGET vellora_pitch_synth)
    add_library(vellora_pitch_synth STATIC ${CMAKE_SOURCE_DIR}/tests/measure/pitch_synth.cpp)
    target_include_directories(vellora_pitch_synth PUBLIC ${CMAKE_SOURCE_DIR}/tests/measure)
endif()

add_executable(bench_pitch pitch_bench.cpp)
target_link_libraries(bench_pitch PRIVATE vellora_pitch vellora_pitch_synth benchmark::benchmark)
set_target_properties(bench_pitch PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

add_executable(pitch_material pitch_material.cpp)
target_link_libraries(pitch_material PRIVATE vellora_pitch_synth vellora_recorder)
set_target_properties(pitch_material PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
