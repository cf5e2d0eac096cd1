# The cursor read-out is window-free so tests drive it with a recording surface.
add_library(vellora_cursor_readout STATIC ${CMAKE_CURRENT_SOURCE_DIR}/cursor_readout.cpp)
target_include_directories(vellora_cursor_readout PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vellora_cursor_readout PUBLIC vellora_measure_core)
