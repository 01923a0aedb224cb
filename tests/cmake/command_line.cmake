# The command line as real processes of the built Orkvane.exe, against the
# loopback HTTPS server and a USB folder, beside a window of the program.
add_executable(orkvane_cli_tests ${CMAKE_CURRENT_SOURCE_DIR}/command_line/command_line_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/command_line/command_line_window_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/command_line/held_tools_command_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/command_line/command_line_support.cpp)
target_link_libraries(orkvane_cli_tests PRIVATE orkvane_test_support gtest_main)
target_compile_definitions(orkvane_cli_tests PRIVATE
    ORKVANE_EXE_PATH="$<TARGET_FILE:Orkvane>"
    ORKVANE_STANDIN_PATH="$<TARGET_FILE:powershell_standin>")
add_dependencies(orkvane_cli_tests Orkvane powershell_standin)
gtest_discover_tests(orkvane_cli_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 240 FIXTURES_REQUIRED https_server)
