if(NOT VELLORA_CORE_ONLY)
    add_unit_test(test_about_box SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/about_box_test.cpp LIBRARIES vellora_about)
endif()
