# Authenticode signatures on the program's executables, made by osslsigncode
# after each link. The build signs only when ORKVANE_SIGN_PKCS12 names a
# PKCS#12 file (certificate, its chain and private key); the default is an
# unsigned build. The password is never a cache value: CMakeCache.txt and
# build.ninja would keep it in the build folder, and a command line shows it
# to every process list. ORKVANE_SIGN_PASSWORD_FILE names a file holding it,
# which osslsigncode reads itself (-readpass) when it signs.
set(ORKVANE_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file with the code-signing certificate and key; empty: unsigned executables")
set(ORKVANE_SIGN_PASSWORD_FILE "" CACHE FILEPATH
    "File holding the PKCS#12 file's password (its first line)")
set(ORKVANE_SIGN_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 time-stamp server for the signatures; empty: no time stamp")

set(ORKVANE_SIGNING_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/sign_executable.cmake)

# Stops the configuration unless path names an existing file outside the
# source and build folders (a key there is one `git add` or one copied build
# folder away from being published).
function(orkvane_check_signing_secret option path)
    if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
        message(FATAL_ERROR "${option}: \"${path}\" is not a file")
    endif()
    foreach(tree IN ITEMS "${CMAKE_SOURCE_DIR}" "${CMAKE_BINARY_DIR}")
        file(RELATIVE_PATH inside "${tree}" "${path}")
        if(NOT inside MATCHES "^\\.\\./")
            message(FATAL_ERROR "${option}: \"${path}\" lies inside \"${tree}\"; keep the signing key and its password outside the source and build folders")
        endif()
    endforeach()
endfunction()

set(ORKVANE_SIGNING OFF)
if(NOT ORKVANE_SIGN_PKCS12 STREQUAL "")
    get_filename_component(ORKVANE_SIGN_PKCS12_PATH "${ORKVANE_SIGN_PKCS12}" ABSOLUTE BASE_DIR "${CMAKE_SOURCE_DIR}")
    orkvane_check_signing_secret(ORKVANE_SIGN_PKCS12 "${ORKVANE_SIGN_PKCS12_PATH}")
    if(ORKVANE_SIGN_PASSWORD_FILE STREQUAL "")
        message(FATAL_ERROR "ORKVANE_SIGN_PKCS12 needs ORKVANE_SIGN_PASSWORD_FILE, the file holding its password")
    endif()
    get_filename_component(ORKVANE_SIGN_PASSWORD_PATH "${ORKVANE_SIGN_PASSWORD_FILE}" ABSOLUTE BASE_DIR "${CMAKE_SOURCE_DIR}")
    orkvane_check_signing_secret(ORKVANE_SIGN_PASSWORD_FILE "${ORKVANE_SIGN_PASSWORD_PATH}")
    if(NOT ORKVANE_SIGN_TIMESTAMP_URL STREQUAL "" AND NOT ORKVANE_SIGN_TIMESTAMP_URL MATCHES "^https?://")
        message(FATAL_ERROR "ORKVANE_SIGN_TIMESTAMP_URL: \"${ORKVANE_SIGN_TIMESTAMP_URL}\" is not an http:// or https:// address")
    endif()
    find_program(ORKVANE_OSSLSIGNCODE osslsigncode)
    if(NOT ORKVANE_OSSLSIGNCODE)
        message(FATAL_ERROR "ORKVANE_SIGN_PKCS12 is set but osslsigncode was not found (Debian package osslsigncode)")
    endif()
    set(ORKVANE_SIGNING ON)
    message(STATUS "Authenticode: signing with ${ORKVANE_SIGN_PKCS12_PATH}")
elseif(NOT ORKVANE_SIGN_PASSWORD_FILE STREQUAL "" OR NOT ORKVANE_SIGN_TIMESTAMP_URL STREQUAL "")
    message(FATAL_ERROR "ORKVANE_SIGN_PASSWORD_FILE and ORKVANE_SIGN_TIMESTAMP_URL are used only with ORKVANE_SIGN_PKCS12")
endif()

# Signs file, the output of target, each time target is built. A failed
# signature fails the build and leaves no file behind (see the script).
function(orkvane_sign_after_build target file description)
    if(NOT ORKVANE_SIGNING)
        return()
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND}
            "-DOSSLSIGNCODE=${ORKVANE_OSSLSIGNCODE}"
            "-DFILE=${file}"
            "-DPKCS12=${ORKVANE_SIGN_PKCS12_PATH}"
            "-DPASSWORD_FILE=${ORKVANE_SIGN_PASSWORD_PATH}"
            "-DTIMESTAMP_URL=${ORKVANE_SIGN_TIMESTAMP_URL}"
            "-DDESCRIPTION=${description}"
            -P ${ORKVANE_SIGNING_SCRIPT}
        VERBATIM)
    # A new key or password signs again: the target is relinked.
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "UTILITY")
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
            "${ORKVANE_SIGN_PKCS12_PATH}" "${ORKVANE_SIGN_PASSWORD_PATH}" "${ORKVANE_SIGNING_SCRIPT}")
    endif()
endfunction()
