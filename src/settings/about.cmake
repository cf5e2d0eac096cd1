if(NOT VELLORA_CORE_ONLY)
    set(CMAKE_AUTORCC ON)
    add_library(vellora_about STATIC
        ${CMAKE_CURRENT_SOURCE_DIR}/about_box.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/about.qrc)
    target_include_directories(vellora_about PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(vellora_about PUBLIC Qt6::Widgets)
endif()
