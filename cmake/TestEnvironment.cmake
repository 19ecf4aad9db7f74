# mxr_test_environment(TEST [VAR=op:value...]): runs a test of the program in an environment of
# its own, whoever starts it: tests/support/isolated-environment.txt, with a runtime directory
# of the test's own. Extra modifications follow those.
file(STRINGS ${PROJECT_SOURCE_DIR}/tests/support/isolated-environment.txt MXR_ISOLATED_ENVIRONMENT
     REGEX "^[A-Z_]+=")
function(mxr_test_environment test)
    if(WIN32)
        # Under Wine, which needs the run's own X display; tools/windows/wine-run.sh passes the
        # Qt settings on to the Windows program.
        set_tests_properties(${test} PROPERTIES ENVIRONMENT_MODIFICATION
                             "QT_QPA_PLATFORM=set:offscreen;${ARGN}")
        return()
    endif()
    set(runtime ${CMAKE_CURRENT_BINARY_DIR}/runtime/${test})
    file(MAKE_DIRECTORY ${runtime})
    file(CHMOD ${runtime} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set(modifications)
    foreach(entry IN LISTS MXR_ISOLATED_ENVIRONMENT)
        string(REPLACE "@RUNTIME@" "${runtime}" entry "${entry}")
        string(REGEX REPLACE "^([A-Z_]+)=(.*)$" "\\1" name "${entry}")
        string(REGEX REPLACE "^([A-Z_]+)=(.*)$" "\\2" value "${entry}")
        if(value STREQUAL "")
            list(APPEND modifications "${name}=unset:")
        else()
            list(APPEND modifications "${name}=set:${value}")
        endif()
    endforeach()
    list(APPEND modifications ${ARGN})
    set_tests_properties(${test} PROPERTIES ENVIRONMENT_MODIFICATION "${modifications}")
endfunction()
