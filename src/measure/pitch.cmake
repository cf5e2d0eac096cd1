# The precise pitch, belt tension and readings: window-free, std types only.
add_library(vellora_pitch STATIC
    ${CMAKE_CURRENT_LIST_DIR}/pitch_fft.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pitch_period.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pitch_partials.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pitch_estimator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pitch_samples.cpp)
target_include_directories(vellora_pitch PUBLIC ${CMAKE_SOURCE_DIR}/src)

add_library(vellora_belt STATIC
    ${CMAKE_CURRENT_LIST_DIR}/tension.cpp
    ${CMAKE_CURRENT_LIST_DIR}/belt_setup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/belt_store.cpp
    ${CMAKE_CURRENT_LIST_DIR}/reading_log.cpp)
target_link_libraries(vellora_belt PUBLIC vellora_common)

# The slider mapping lives with the calibration run.
add_library(vellora_pitch_calibration STATIC
    ${CMAKE_CURRENT_LIST_DIR}/pitch_calibration.cpp
    ${CMAKE_CURRENT_LIST_DIR}/precise_meter.cpp)
target_link_libraries(vellora_pitch_calibration PUBLIC vellora_pitch vellora_calibration_core)

target_link_libraries(vellora-analyze PRIVATE vellora_pitch)

add_library(vellora_belt_profile STATIC ${CMAKE_CURRENT_LIST_DIR}/belt_store_profile.cpp)
target_link_libraries(vellora_belt_profile PUBLIC vellora_belt vellora_profile)
