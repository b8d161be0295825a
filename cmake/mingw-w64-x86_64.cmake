# Cross-build for 64-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-x86-64-posix).
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Everything links statically, so the executables need no MinGW runtime DLLs beside them (Wine
# ends a program that lacks them with exit code 53). Wine runs the test programs for ctest.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SKEIN_MINGW_PREFIX x86_64-w64-mingw32)
# The posix flavour carries the C++ threads that GoogleTest uses.
set(CMAKE_C_COMPILER ${SKEIN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SKEIN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SKEIN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SKEIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# wine64 runs the 64-bit programs without a 32-bit Wine; plain wine is the fallback.
find_program(SKEIN_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(SKEIN_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${SKEIN_WINE})
endif()
