# Signed catalogues: the build option as the program receives it, its
# refusals, and the signature format against Debian's openssl.

# A program built with two keys given the two ways the option allows: a
# public-key file and 128 hexadecimal digits in lower case.
set(SIGNING_PROBE_DIR ${CMAKE_CURRENT_BINARY_DIR}/signing-probe)
set(SIGNING_PROBE_KEY_A "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF")
set(SIGNING_PROBE_KEY_B "fedcba9876543210fedcba9876543210fedcba9876543210fedcba9876543210fedcba9876543210fedcba9876543210fedcba9876543210fedcba9876543210")
file(WRITE ${SIGNING_PROBE_DIR}/probe.public "${SIGNING_PROBE_KEY_A}\n")
orkvane_catalog_keys_initializer(ORKVANE_CATALOG_KEYS_INITIALIZER
    "${SIGNING_PROBE_DIR}/probe.public;${SIGNING_PROBE_KEY_B}")
configure_file(${CMAKE_SOURCE_DIR}/catalog/catalog_keys_config.h.in ${SIGNING_PROBE_DIR}/catalog_keys_config.h @ONLY)
add_executable(catalog_keys_probe ${CMAKE_CURRENT_SOURCE_DIR}/signing/catalog_keys_probe.cpp
    ${CMAKE_SOURCE_DIR}/catalog/catalog_keys.cpp)
target_include_directories(catalog_keys_probe PRIVATE ${SIGNING_PROBE_DIR})
target_link_libraries(catalog_keys_probe PRIVATE orkvane_options)
string(TOUPPER "${SIGNING_PROBE_KEY_B}" SIGNING_PROBE_KEY_B_UPPER)
add_test(NAME CatalogKeysBuildOption COMMAND catalog_keys_probe)
set_tests_properties(CatalogKeysBuildOption PROPERTIES TIMEOUT 60
    PASS_REGULAR_EXPRESSION "^2 keys\r?\n${SIGNING_PROBE_KEY_A}\r?\n${SIGNING_PROBE_KEY_B_UPPER}\r?\n$")

add_test(NAME CatalogKeysOptionRefusals
    COMMAND ${CMAKE_COMMAND} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/signing-option
        -P ${CMAKE_CURRENT_SOURCE_DIR}/signing/keys_option_cases.cmake)
set_tests_properties(CatalogKeysOptionRefusals PROPERTIES TIMEOUT 60)

add_test(NAME SignatureOpensslInterop
    COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/signing/openssl_interop.py
        ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:orkvane-catalog> ${CMAKE_CURRENT_BINARY_DIR}/signing-interop)
set_tests_properties(SignatureOpensslInterop PROPERTIES TIMEOUT 180)

# The two executables signed with Authenticode by the build's own signing step
# (cmake/code_signing.cmake) in a small build of their own, with a throwaway
# certificate; then the signed program is started under Wine.
set(AUTHENTICODE_WORK ${CMAKE_CURRENT_BINARY_DIR}/signing-authenticode)
add_test(NAME AuthenticodeSignedBuild
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/signing/authenticode_test.sh ${CMAKE_SOURCE_DIR}
        $<TARGET_FILE_DIR:Orkvane> ${AUTHENTICODE_WORK} ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(AuthenticodeSignedBuild PROPERTIES TIMEOUT 120 FIXTURES_SETUP signed_program)
add_test(NAME AuthenticodeSignedProgramStarts
    COMMAND orkvane_process_tests --gtest_also_run_disabled_tests
        --gtest_filter=SignedProgram.DISABLED_StartsAndShowsItsWindow)
set_tests_properties(AuthenticodeSignedProgramStarts PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED signed_program
    ENVIRONMENT ORKVANE_SIGNED_EXE=${AUTHENTICODE_WORK}/Orkvane-signed.exe
    # The filter must find the test: a run of no test would pass as well.
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test\\.")
