# Authenticode signatures (SHA-256) with osslsigncode (Debian's package osslsigncode), for the
# programs and DLLs of the Windows folder and for the MSI:
#
#   include(sign.cmake)
#   mxr_sign(PKCS12 FILE.p12 [TIMESTAMP_URL URL] FILES FILE...)
#
# or as a script: cmake -DPKCS12=FILE.p12 [-DTIMESTAMP_URL=URL] -DFILES="A;B" -P sign.cmake
#
# Each file is signed in place. The certificate's password is read from the environment
# variable MXR_SIGN_PASSWORD when the files are signed (none when it is unset); it goes to
# osslsigncode through a file in a private folder that is removed at once, never through the
# build's files or a command line that others can read. With TIMESTAMP_URL, each signature is
# countersigned by that RFC 3161 time-stamping service, so that it stays valid after the
# certificate expires; a service that does not answer stops the signing.
cmake_minimum_required(VERSION 3.25)

function(mxr_sign)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "PKCS12;TIMESTAMP_URL" "FILES")
    if(NOT EXISTS "${arg_PKCS12}")
        message(FATAL_ERROR "sign.cmake: no certificate file ${arg_PKCS12}")
    endif()
    find_program(MXR_OSSLSIGNCODE osslsigncode)
    if(NOT MXR_OSSLSIGNCODE)
        message(FATAL_ERROR "sign.cmake: osslsigncode is missing (Debian's package osslsigncode)")
    endif()

    set(password_options) # osslsigncode then opens the file without a password
    if(NOT "$ENV{MXR_SIGN_PASSWORD}" STREQUAL "")
        string(RANDOM LENGTH 12 suffix)
        set(private_dir "/tmp/mxr-sign-${suffix}")
        if(DEFINED ENV{TMPDIR})
            set(private_dir "$ENV{TMPDIR}/mxr-sign-${suffix}")
        endif()
        file(MAKE_DIRECTORY ${private_dir})
        file(CHMOD ${private_dir} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
        file(WRITE ${private_dir}/password "$ENV{MXR_SIGN_PASSWORD}")
        set(password_options -readpass ${private_dir}/password)
    endif()
    set(timestamp_options)
    if(arg_TIMESTAMP_URL)
        set(timestamp_options -ts ${arg_TIMESTAMP_URL})
    endif()

    set(failed)
    foreach(file IN LISTS arg_FILES)
        file(REMOVE ${file}.signed)
        execute_process(
            COMMAND ${MXR_OSSLSIGNCODE} sign -pkcs12 ${arg_PKCS12} ${password_options}
                    -h sha256 -n "Model Cross Reference" ${timestamp_options}
                    -in ${file} -out ${file}.signed
            OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
        if(status EQUAL 0)
            file(RENAME ${file}.signed ${file})
        else()
            file(REMOVE ${file}.signed)
            set(failed "${file}: ${output}")
            break()
        endif()
    endforeach()
    if(private_dir)
        file(REMOVE_RECURSE ${private_dir})
    endif()
    if(failed)
        message(FATAL_ERROR "sign.cmake: osslsigncode could not sign ${failed}")
    endif()
    list(LENGTH arg_FILES count)
    message(STATUS "sign.cmake: signed ${count} file(s) with ${arg_PKCS12}")
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    mxr_sign(PKCS12 ${PKCS12} TIMESTAMP_URL "${TIMESTAMP_URL}" FILES ${FILES})
endif()
