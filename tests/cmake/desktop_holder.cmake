# A hidden program that scripts/test.sh keeps running for the whole ctest run,
# so that Wine's desktop is not shut down and restarted between tests.
add_executable(desktop_holder WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/desktop_holder/desktop_holder.cpp)
target_link_libraries(desktop_holder PRIVATE orkvane_options)
set_target_properties(desktop_holder PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY $<TARGET_FILE_DIR:orkvane_tests>)
if(NOT MSVC)
    target_link_options(desktop_holder PRIVATE -municode)
endif()
add_dependencies(orkvane_tests desktop_holder)
