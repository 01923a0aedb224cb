# The publisher's console tool is run for real by the tests.
add_dependencies(orkvane_tests orkvane-catalog)
target_compile_definitions(orkvane_tests PRIVATE
    ORKVANE_CATALOG_TOOL_PATH="$<TARGET_FILE:orkvane-catalog>")
