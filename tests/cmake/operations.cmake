# A stand-in tool that the install, launch and uninstall tests publish, copy
# and start. The tests find it through a Windows path on Wine's Z: drive
# (tests/support/operation_test_support.h, TraceToolPath).
set(ORKVANE_TEST_TOOLS_DIR ${CMAKE_BINARY_DIR}/test-tools)
add_executable(orkvane_trace_tool WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/trace_tool/trace_tool.cpp)
target_link_libraries(orkvane_trace_tool PRIVATE orkvane_options)
set_target_properties(orkvane_trace_tool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ORKVANE_TEST_TOOLS_DIR})

string(REPLACE "/" "\\\\" trace_tool_windows_path "Z:${ORKVANE_TEST_TOOLS_DIR}/orkvane_trace_tool.exe")
foreach(target orkvane_test_support orkvane_tests)
    target_compile_definitions(${target} PRIVATE ORKVANE_TRACE_TOOL_PATH=L"${trace_tool_windows_path}")
endforeach()
add_dependencies(orkvane_tests orkvane_trace_tool)
