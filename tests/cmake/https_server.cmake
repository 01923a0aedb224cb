# The loopback HTTPS server that every in-process test may talk to, and the
# Squid proxy in front of it: a CTest fixture that makes a throwaway CA,
# trusts it inside the test Wine prefix, and starts both before the tests
# and stops them after them.

add_executable(trust_ca ${CMAKE_CURRENT_SOURCE_DIR}/server/trust_ca.cpp)
target_link_libraries(trust_ca PRIVATE orkvane_options crypt32)
if(NOT MSVC)
    target_link_options(trust_ca PRIVATE -municode)
endif()

add_test(NAME https_server_start
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/server/start.sh $<TARGET_FILE:trust_ca>)
set_tests_properties(https_server_start PROPERTIES FIXTURES_SETUP https_server TIMEOUT 60)

add_test(NAME https_server_stop COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/server/stop.sh)
set_tests_properties(https_server_stop PROPERTIES FIXTURES_CLEANUP https_server TIMEOUT 30)

