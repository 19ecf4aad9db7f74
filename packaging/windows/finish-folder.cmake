# Run by the installation of the Windows folder once every file is in place (install(SCRIPT) in
# CMakeLists.txt, which sets MXR_OBJCOPY, MXR_SIGN_PKCS12 and MXR_SIGN_TIMESTAMP_URL before it).
#
# The lower-case links that stood in for DLL names go. Debug information stays in the build:
# what Windows users get is stripped (the resources stay). `cmake --install --strip` and CPack
# strip only the program; this strips every program and DLL installed, of all symbols, and cuts
# section names to the eight characters that the PE format allows in an image. Longer names
# (Qt's .qtversion and .qtmimedatabase) live in a string table after the last section, which
# made the files' lengths odd, and checksum tools disagree about a file of odd length: the
# linker's PE checksum counts the last byte as Windows does, osslsigncode leaves it out and
# reports a checksum one less. Without the table each file ends with its last section and every
# tool computes the checksum that the file carries. In a signing build each program and DLL is
# then signed, which sets its checksum anew.
set(binaries)
foreach(file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
    if(IS_SYMLINK ${file})
        file(REMOVE ${file})
        list(REMOVE_ITEM CMAKE_INSTALL_MANIFEST_FILES ${file})
    elseif(file MATCHES "\\.(exe|dll)$")
        list(APPEND binaries ${file})
    endif()
endforeach()
if(CMAKE_INSTALL_DO_STRIP)
    foreach(file IN LISTS binaries)
        execute_process(COMMAND ${MXR_OBJCOPY} --strip-all --long-section-names disable ${file}
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endif()
if(MXR_SIGN_PKCS12)
    include(${CMAKE_CURRENT_LIST_DIR}/sign.cmake)
    mxr_sign(PKCS12 ${MXR_SIGN_PKCS12} TIMESTAMP_URL "${MXR_SIGN_TIMESTAMP_URL}"
             FILES ${binaries})
endif()
