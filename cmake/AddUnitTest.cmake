# SPDX-License-Identifier: GPL-3.0-or-later
# add_unit_test(NAME SOURCES src... LIBRARIES lib... [ENVIRONMENT VAR=value...] [SOUND_CARD])
# One line per test executable; every GoogleTest case becomes a CTest entry, run from
# build/tests and offscreen. SOUND_CARD tests use the private fake sound card of
# scripts/with-fake-soundcard (they skip without it) and never run beside each other:
# a tone one of them plays would sound in another's "silent" clip.
# In the WebAssembly build each test runs under node on the real file system.
include(GoogleTest)
if(EMSCRIPTEN)
    # Debian ships GoogleTest as sources too; the wasm build compiles them like its own.
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    find_program(VELLORA_NODE NAMES node nodejs REQUIRED)
else()
    find_package(GTest REQUIRED)
endif()

function(add_unit_test name)
    cmake_parse_arguments(ARG "SOUND_CARD" "" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(EMSCRIPTEN)
        target_link_options(${name} PRIVATE -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1
                            -sEXIT_RUNTIME=1)
        # node 18 and 20 fetch by themselves, which emscripten 3.1.6's loader mistakes
        # for a browser.
        set_target_properties(${name} PROPERTIES
            CROSSCOMPILING_EMULATOR "${VELLORA_NODE};--no-experimental-fetch")
    endif()
    set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENVIRONMENT}")
    if(ARG_SOUND_CARD)
        list(APPEND properties RESOURCE_LOCK vellora_sound_card)
    endif()
    gtest_discover_tests(${name}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
        PROPERTIES ${properties}
        DISCOVERY_TIMEOUT 60)
endfunction()
