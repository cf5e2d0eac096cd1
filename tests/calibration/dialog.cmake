if(NOT VELLORA_CORE_ONLY)
    add_unit_test(test_calibration_dialog
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/calibration_dialog_test.cpp
        LIBRARIES vellora_calibration_dialog)
endif()
