# The folders that hold the MinGW-w64 runtime DLLs a program of this compiler imports:
# libstdc++-6.dll and libgcc_s_seh-1.dll (the compiler's folder) and libwinpthread-1.dll (the
# sysroot's), as the compiler itself finds them. The Windows folder takes its copies from there
# (packaging/windows), and the test programs find them there under Wine (tests/).
#
#   include(cmake/MingwRuntime.cmake)      sets MXR_MINGW_RUNTIME_DIRS
set(MXR_MINGW_RUNTIME_DIRS)
foreach(dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    # A compiler that does not find the file prints its bare name.
    if(NOT IS_ABSOLUTE "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not find ${dll}")
    endif()
    get_filename_component(dir ${path} DIRECTORY)
    list(APPEND MXR_MINGW_RUNTIME_DIRS ${dir})
endforeach()
list(REMOVE_DUPLICATES MXR_MINGW_RUNTIME_DIRS)
