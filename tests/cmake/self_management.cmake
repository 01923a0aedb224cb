# The stand-in for powershell.exe that the program's deferred scripts run under
# in the test prefix. It is built beside orkvane_tests.exe under its own name;
# the tests copy it over Wine's stub at the full path the program starts
# (tests/support/powershell_place.h).
add_executable(powershell_standin ${CMAKE_CURRENT_SOURCE_DIR}/powershell_standin/powershell_standin.cpp)
target_link_libraries(powershell_standin PRIVATE orkvane_options)
set_target_properties(powershell_standin PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY $<TARGET_FILE_DIR:orkvane_tests>)
if(NOT MSVC)
    target_link_options(powershell_standin PRIVATE -municode)
endif()
add_dependencies(orkvane_tests powershell_standin)

# End to end: the built Orkvane.exe installs, updates and removes itself as real
# processes, with the stand-in beside the installed copy.
add_executable(orkvane_self_tests ${CMAKE_CURRENT_SOURCE_DIR}/self_management/self_end_to_end_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/self_management/import_table_test.cpp)
target_link_libraries(orkvane_self_tests PRIVATE orkvane_test_support gtest_main)
target_compile_definitions(orkvane_self_tests PRIVATE
    ORKVANE_EXE_PATH="$<TARGET_FILE:Orkvane>"
    ORKVANE_STANDIN_PATH="$<TARGET_FILE:powershell_standin>"
    ORKVANE_DECOY_PATH="$<TARGET_FILE:orkvane_trace_tool>"
    ORKVANE_PLANTED_DLL_PATH="$<TARGET_FILE:orkvane_planted_dll>")
add_dependencies(orkvane_self_tests Orkvane powershell_standin orkvane_trace_tool orkvane_planted_dll)

# A DLL that records its own loading; copied beside the program under the names
# of system DLLs, it must never be the one loaded.
add_library(orkvane_planted_dll SHARED ${CMAKE_CURRENT_SOURCE_DIR}/self_management/planted_dll.cpp)
target_link_libraries(orkvane_planted_dll PRIVATE orkvane_options)
set_target_properties(orkvane_planted_dll PROPERTIES PREFIX "")
if(NOT MSVC)
    target_link_options(orkvane_planted_dll PRIVATE -static -static-libgcc)
endif()
gtest_discover_tests(orkvane_self_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 180 FIXTURES_REQUIRED https_server)
