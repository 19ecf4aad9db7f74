# Builds the Windows Installer package of a Windows folder with wixl and wixl-heat (msitools):
#
#   cmake -DFOLDER=DIR -DVERSION=4.2.5 -DOUTPUT=FILE.msi -DICON=main.ico [-DWIXL=wixl]
#         [-DPKCS12=FILE.p12 [-DTIMESTAMP_URL=URL]] -P packaging/windows/msi.cmake
#
# The build's `windows-msi` target runs it on the folder of the zip. Every file under FOLDER is
# installed in the same place under Program Files\Tevra\Model Cross Reference, each file a
# component of its own. wixl-heat makes the list (FILE.files.wxs, beside FILE.msi) from the
# folder each time; the rest of the package is model-xref.wxs. With PKCS12 the package is
# signed (sign.cmake; the files in FOLDER are signed before, by the installation that makes it).
cmake_minimum_required(VERSION 3.25)

foreach(name FOLDER VERSION OUTPUT ICON)
    if(NOT DEFINED ${name})
        message(FATAL_ERROR "msi.cmake: -D${name}=... is missing")
    endif()
endforeach()
if(NOT VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
    message(FATAL_ERROR "msi.cmake: VERSION must be MAJOR.MINOR.BUILD, not ${VERSION}")
endif()
if(NOT WIXL)
    set(WIXL wixl)
endif()

# The UpgradeCode is the product's name across all its versions: Windows Installer finds an
# installed older (or newer) version by it. It never changes; a package with another one would
# install beside the versions in use instead of replacing them.
set(upgrade_code 4FB5CA15-F18C-4D8D-ACAA-61A645DC2E8C)
# The ProductCode names one version. It is derived from the version, so every build of a
# version has the same one: installing the same version again finds it installed and leaves
# the one entry in Installed apps (wixl's upgrade rules replace only older versions), and a
# deployment tool that detects the product by its ProductCode keeps detecting a rebuilt package.
string(UUID product_code NAMESPACE ${upgrade_code} NAME "Model Cross Reference ${VERSION} x64"
       TYPE SHA1 UPPER)

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${FOLDER} ${FOLDER}/*)
if(NOT "model-xref.exe" IN_LIST files)
    message(FATAL_ERROR "msi.cmake: ${FOLDER} holds no model-xref.exe")
endif()

# wixl-heat writes the list: one <Directory> per folder and one component per file, keyed by
# its path in the folder (its GUID, which wixl derives from the installed path, stays the same
# from one version to the next). It opens a folder's <Directory> anew whenever the folder
# changes from one line to the next, so the folder's own files come first, then each
# subfolder's.
set(top)
set(below)
foreach(file IN LISTS files)
    if(file MATCHES "/")
        list(APPEND below "./${file}")
    else()
        list(APPEND top "./${file}")
    endif()
endforeach()
list(SORT top)
list(SORT below)
list(JOIN top "\n" top)
list(JOIN below "\n" below)
set(list_file ${OUTPUT}.files.wxs)
file(WRITE ${list_file}.in "${top}\n${below}\n")
get_filename_component(wixl_dir ${WIXL} DIRECTORY)
find_program(WIXL_HEAT wixl-heat HINTS ${wixl_dir} REQUIRED)
execute_process(
    COMMAND ${WIXL_HEAT} --prefix ./ --directory-ref INSTALLDIR --component-group ProgramFiles
            --var var.SourceDir --win64
    WORKING_DIRECTORY ${FOLDER}
    INPUT_FILE ${list_file}.in
    OUTPUT_FILE ${list_file}
    RESULT_VARIABLE status)
file(REMOVE ${list_file}.in)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "msi.cmake: ${WIXL_HEAT} failed (${status})")
endif()

# wixl looks files up relative to its working folder (or the sources' folders), never by an
# absolute path: it runs in FOLDER.
file(RELATIVE_PATH icon ${FOLDER} ${ICON})
file(REMOVE ${OUTPUT})
execute_process(
    COMMAND ${WIXL} --arch x64 --output ${OUTPUT}
            --define Version=${VERSION} --define ProductCode={${product_code}}
            --define UpgradeCode={${upgrade_code}} --define Icon=${icon}
            --define SourceDir=. --define Win64=yes
            ${CMAKE_CURRENT_LIST_DIR}/model-xref.wxs ${list_file}
    WORKING_DIRECTORY ${FOLDER}
    RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT EXISTS ${OUTPUT})
    message(FATAL_ERROR "msi.cmake: ${WIXL} failed (${status}); it is in Debian's package wixl")
endif()
if(PKCS12)
    include(${CMAKE_CURRENT_LIST_DIR}/sign.cmake)
    mxr_sign(PKCS12 ${PKCS12} TIMESTAMP_URL "${TIMESTAMP_URL}" FILES ${OUTPUT})
endif()
file(SIZE ${OUTPUT} size)
math(EXPR kib "${size} / 1024")
message(STATUS "msi.cmake: ${OUTPUT}, ${kib} KiB, version ${VERSION}, ProductCode {${product_code}}")
