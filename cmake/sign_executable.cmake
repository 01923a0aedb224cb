# Signs one executable with Authenticode (SHA-256), run by the build after the
# link: cmake -DOSSLSIGNCODE=... -DFILE=... -DPKCS12=... -DPASSWORD_FILE=...
# [-DTIMESTAMP_URL=...] [-DDESCRIPTION=...] -P sign_executable.cmake
#
# The signed copy is written under a side name and takes the file's name by
# one rename once osslsigncode has succeeded. On any failure both the side
# file and the unsigned executable are deleted: nothing unsigned or half
# signed is left where a signed file is expected, and the next build links
# and signs again.
foreach(required IN ITEMS OSSLSIGNCODE FILE PKCS12 PASSWORD_FILE)
    if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
        message(FATAL_ERROR "sign_executable.cmake: ${required} is not given")
    endif()
endforeach()

set(side "${FILE}.signing")
file(REMOVE "${side}")

set(command "${OSSLSIGNCODE}" sign -pkcs12 "${PKCS12}" -readpass "${PASSWORD_FILE}" -h sha256)
if(NOT "${DESCRIPTION}" STREQUAL "")
    list(APPEND command -n "${DESCRIPTION}")
endif()
if(NOT "${TIMESTAMP_URL}" STREQUAL "")
    list(APPEND command -ts "${TIMESTAMP_URL}")
endif()
list(APPEND command -in "${FILE}" -out "${side}")

execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0 OR NOT EXISTS "${side}")
    file(REMOVE "${side}" "${FILE}")
    string(STRIP "${output}" output)
    message(FATAL_ERROR "Authenticode signing of ${FILE} failed (osslsigncode: ${status}); the unsigned file was deleted.\n${output}")
endif()
# osslsigncode writes its output without the execute bits the linker gave.
file(CHMOD "${side}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
file(RENAME "${side}" "${FILE}")
message(STATUS "Signed ${FILE}")
