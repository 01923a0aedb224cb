# The command line as real processes of the built Orkvane.exe, against the
# loopback HTTPS server and a USB folder, beside a window of the program.
# The program as a build with a catalogue key makes it: it reads only
# catalogues signed with that key. The key is the curve's base point, whose
# private key is 1, so that the tests can sign; it never leaves this build.
set(KEYED_PROGRAM_DIR ${CMAKE_CURRENT_BINARY_DIR}/keyed-program)
set(KEYED_PROGRAM_PUBLIC_KEY "6B17D1F2E12C4247F8BCE6E563A440F277037D812DEB33A0F4A13945D898C2964FE342E2FE1A7F9B8EE7EB4A7C0F9E162BCE33576B315ECECBB6406837BF51F5")
orkvane_catalog_keys_initializer(ORKVANE_CATALOG_KEYS_INITIALIZER "${KEYED_PROGRAM_PUBLIC_KEY}")
configure_file(${CMAKE_SOURCE_DIR}/catalog/catalog_keys_config.h.in ${KEYED_PROGRAM_DIR}/catalog_keys_config.h @ONLY)
# Its own catalog_keys object comes before the library's, which is then not linked.
add_executable(orkvane_keyed WIN32 ${CMAKE_SOURCE_DIR}/app/main.cpp ${CMAKE_SOURCE_DIR}/catalog/catalog_keys.cpp
    ${ORKVANE_RESOURCES})
target_include_directories(orkvane_keyed PRIVATE ${KEYED_PROGRAM_DIR})
target_link_libraries(orkvane_keyed PRIVATE orkvane_app)
set_target_properties(orkvane_keyed PROPERTIES OUTPUT_NAME Orkvane RUNTIME_OUTPUT_DIRECTORY ${KEYED_PROGRAM_DIR})
if(NOT MSVC)
    target_link_options(orkvane_keyed PRIVATE -municode)
endif()

add_executable(orkvane_cli_tests ${CMAKE_CURRENT_SOURCE_DIR}/command_line/command_line_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/command_line/command_line_window_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/command_line/held_tools_command_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/command_line/command_line_support.cpp)
target_link_libraries(orkvane_cli_tests PRIVATE orkvane_test_support gtest_main)
target_compile_definitions(orkvane_cli_tests PRIVATE
    ORKVANE_EXE_PATH="$<TARGET_FILE:Orkvane>"
    ORKVANE_KEYED_EXE_PATH="$<TARGET_FILE:orkvane_keyed>"
    ORKVANE_STANDIN_PATH="$<TARGET_FILE:powershell_standin>")
add_dependencies(orkvane_cli_tests Orkvane orkvane_keyed powershell_standin)
gtest_discover_tests(orkvane_cli_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 240 FIXTURES_REQUIRED https_server)
