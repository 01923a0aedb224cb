# The administrative template (policies/) against the program's table of
# policies, which policy_table prints.
add_executable(policy_table ${CMAKE_CURRENT_SOURCE_DIR}/policies/policy_table.cpp)
target_link_libraries(policy_table PRIVATE orkvane_app)
add_test(NAME PolicyTemplateMatchesTheProgram
    COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/policies/admx_test.py
        ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:policy_table> ${CMAKE_SOURCE_DIR}/policies)
set_tests_properties(PolicyTemplateMatchesTheProgram PROPERTIES TIMEOUT 120)
