# Tests that start the built Orkvane.exe as real processes (single instance).
file(GLOB PROCESS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/process/*.cpp)
add_executable(orkvane_process_tests ${PROCESS_TEST_SOURCES})
target_link_libraries(orkvane_process_tests PRIVATE orkvane_test_support gtest_main)
target_compile_definitions(orkvane_process_tests PRIVATE ORKVANE_EXE_PATH="$<TARGET_FILE:Orkvane>")
add_dependencies(orkvane_process_tests Orkvane)
gtest_discover_tests(orkvane_process_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    # Tests named DISABLED_ run only from a fixture that prepares them.
    TEST_FILTER "-*.DISABLED_*"
    PROPERTIES TIMEOUT 180)
