# Small real Windows programs that the demo key carries as catalogue tools.
# Each is built as <Name>.exe into sample-tools/ of the build folder.
set(ORKVANE_SAMPLE_TOOLS_DIR ${CMAKE_BINARY_DIR}/sample-tools)
foreach(tool Horloge Compteur Nuancier Sonde Diagnostic)
    string(TOLOWER ${tool} source)
    add_executable(sample_${source} WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/sample_tools/${source}.cpp)
    target_link_libraries(sample_${source} PRIVATE orkvane_options)
    set_target_properties(sample_${source} PROPERTIES
        OUTPUT_NAME ${tool}
        RUNTIME_OUTPUT_DIRECTORY ${ORKVANE_SAMPLE_TOOLS_DIR})
    if(NOT MSVC)
        target_link_options(sample_${source} PRIVATE -municode)
    endif()
    list(APPEND ORKVANE_SAMPLE_TOOL_TARGETS sample_${source})
endforeach()
add_custom_target(sample_tools DEPENDS ${ORKVANE_SAMPLE_TOOL_TARGETS})
