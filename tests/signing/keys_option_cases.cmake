# The build option ORKVANE_CATALOG_KEYS as the configuration reads it. With
# KEYS set, prints the initializer it makes (or stops with the refusal);
# without, runs every case in a child and checks its outcome.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/catalog_keys.cmake)

if(DEFINED KEYS)
    orkvane_catalog_keys_initializer(initializer "${KEYS}")
    message("initializer=[${initializer}]")
    return()
endif()

string(REPEAT "ab" 64 key_a)
string(REPEAT "CD" 64 key_b)
string(REPEAT "EF" 64 key_c)
string(REPEAT "12" 96 private_digits)
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/good.public "${key_b}\r\n")
file(WRITE ${WORK}/editeur.prive "${private_digits}\n")
string(TOUPPER "${key_a}" key_a_upper)

function(expect name keys expected should_fail)
    execute_process(COMMAND ${CMAKE_COMMAND} "-DKEYS=${keys}" -P ${CMAKE_CURRENT_LIST_FILE}
        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    string(REGEX REPLACE "[ \t\r\n]+" " " text "${out}${err}")
    string(FIND "${text}" "${expected}" at)
    if(at EQUAL -1)
        message(SEND_ERROR "${name}: expected \"${expected}\" in: ${text}")
    endif()
    set(failed FALSE)
    if(NOT status EQUAL 0)
        set(failed TRUE)
    endif()
    if(NOT failed STREQUAL should_fail)
        message(SEND_ERROR "${name}: exit status ${status}")
    endif()
endfunction()

expect("no key" "" "initializer=[]" FALSE)
expect("a key as digits and a key file" "${key_a},${WORK}/good.public" "initializer=[\"${key_a_upper}\", \"${key_b}\"]" FALSE)
expect("three keys" "${key_a};${key_b};${key_c}" "at most two keys" TRUE)
expect("a private-key file" "${WORK}/editeur.prive" "is a private key" TRUE)
expect("no such file" "${WORK}/absent.public" "neither 128 hexadecimal digits nor a public-key file" TRUE)
expect("digits missing" "${key_a}0" "does not hold 128 hexadecimal digits" TRUE)
