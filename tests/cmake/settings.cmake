# A stand-in for Orkvane.exe that only loads the settings and reports what it
# found: the settings tests copy it onto the test drives and start it there, so
# that the offline-folder detection sees a real executable path.
add_executable(settings_probe ${CMAKE_CURRENT_SOURCE_DIR}/settings/settings_probe.cpp)
target_link_libraries(settings_probe PRIVATE orkvane_app)
# Built beside orkvane_tests, which looks for it in its own folder.
set_target_properties(settings_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY $<TARGET_FILE_DIR:orkvane_tests>)
add_dependencies(orkvane_tests settings_probe)
