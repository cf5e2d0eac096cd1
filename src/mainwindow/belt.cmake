# The Belt window: set-ups, readings and their CSV export over the window-free belt core.
add_library(vellora_belt_window STATIC
    ${CMAKE_CURRENT_LIST_DIR}/belt_window_captions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/belt_window.cpp)
target_include_directories(vellora_belt_window PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vellora_belt_window PUBLIC vellora_belt Qt6::Widgets)
