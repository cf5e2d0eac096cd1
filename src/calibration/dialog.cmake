if(NOT VELLORA_CORE_ONLY)
    add_library(vellora_calibration_dialog STATIC ${CMAKE_CURRENT_SOURCE_DIR}/calibration_dialog.cpp)
    target_link_libraries(vellora_calibration_dialog PUBLIC vellora_calibration_core Qt6::Widgets)
endif()
