# The main window: the window-free layout pass, the drawing surfaces, the window.
add_library(vellora_layout STATIC ${CMAKE_CURRENT_SOURCE_DIR}/layout.cpp)
target_include_directories(vellora_layout PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vellora_layout PUBLIC vellora_common)

add_library(vellora_form1 STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/picture_surface.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/form1.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/form1_menus.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/form1_layout.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/form1_display.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/form1_run.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/form1_calibration.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/form1_session.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/form1_language.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/form1_precise.cpp)
target_link_libraries(vellora_form1 PUBLIC
    vellora_layout vellora_cursor_readout vellora_measure_core vellora_calibration_dialog vellora_about vellora_help vellora_settings
    vellora_belt_window vellora_pitch_calibration Qt6::Widgets)

add_executable(vellora ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(vellora PRIVATE
    vellora_form1 vellora_capture vellora_sound vellora_settings_location vellora_belt_profile)
add_dependencies(vellora vellora_language_files)
