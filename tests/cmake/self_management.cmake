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
