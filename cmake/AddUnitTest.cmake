# add_unit_test(NAME SOURCES src... LIBRARIES lib... [ENVIRONMENT VAR=value...])
# One line per test executable; every GoogleTest case becomes a CTest entry.
include(GoogleTest)
find_package(GTest REQUIRED)

function(add_unit_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gtest_main)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${name}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENVIRONMENT}"
        DISCOVERY_TIMEOUT 60)
endfunction()
