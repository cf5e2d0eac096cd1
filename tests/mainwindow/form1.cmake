add_unit_test(test_layout SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/layout_test.cpp LIBRARIES vellora_layout)
add_unit_test(test_form1 SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/form1_test.cpp LIBRARIES vellora_form1 vellora_recorder)
