# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix thread model, so that
# std::thread and Qt's threads use winpthreads).
#
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
#
# Needs: g++-mingw-w64-x86-64-posix (and with it binutils-mingw-w64-x86-64, mingw-w64-x86-64-dev).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MXR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MXR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MXR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MXR_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${MXR_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${MXR_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the MinGW sysroot (and from prefixes named in
# CMAKE_PREFIX_PATH, such as the cross-built Qt); programs run during the build come from the
# build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MXR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
