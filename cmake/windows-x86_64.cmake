# velmora: cross-builds for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads variant).
#   cmake -S . -B DIR -DCMAKE_TOOLCHAIN_FILE=cmake/windows-x86_64.cmake -DCMAKE_PREFIX_PATH=FREEGLUT_PREFIX
# Programs are Windows executables; ctest runs them through wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Headers and libraries come from the MinGW tree only, never the host's; packages (the freeglut
# built for Windows) also from CMAKE_PREFIX_PATH; programs (the build tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
