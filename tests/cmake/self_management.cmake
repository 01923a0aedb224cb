# The stand-in for powershell.exe that the program's deferred scripts run under
# in the test prefix. It is built beside orkvane_tests.exe, where CreateProcessW
# finds "powershell.exe" before anything on the PATH.
add_executable(powershell_standin ${CMAKE_CURRENT_SOURCE_DIR}/powershell_standin/powershell_standin.cpp)
target_link_libraries(powershell_standin PRIVATE orkvane_options)
set_target_properties(powershell_standin PROPERTIES
    OUTPUT_NAME powershell
    RUNTIME_OUTPUT_DIRECTORY $<TARGET_FILE_DIR:orkvane_tests>)
if(NOT MSVC)
    target_link_options(powershell_standin PRIVATE -municode)
endif()
add_dependencies(orkvane_tests powershell_standin)

# End to end: the built Orkvane.exe installs, updates and removes itself as real
# processes, with the stand-in beside the installed copy.
add_executable(orkvane_self_tests ${CMAKE_CURRENT_SOURCE_DIR}/self_management/self_end_to_end_test.cpp)
target_link_libraries(orkvane_self_tests PRIVATE orkvane_test_support gtest_main)
target_compile_definitions(orkvane_self_tests PRIVATE
    ORKVANE_EXE_PATH="$<TARGET_FILE:Orkvane>"
    ORKVANE_STANDIN_PATH="$<TARGET_FILE:powershell_standin>")
add_dependencies(orkvane_self_tests Orkvane powershell_standin)
gtest_discover_tests(orkvane_self_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 180 FIXTURES_REQUIRED https_server)
