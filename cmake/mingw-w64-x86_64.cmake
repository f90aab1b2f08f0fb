# Cross-builds for 64-bit Windows with Debian's mingw-w64 (posix threads, for
# std::thread) and runs the results under Wine:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# scripts/test-windows.sh does this and runs the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BRISOLT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BRISOLT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRISOLT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BRISOLT_MINGW_TRIPLET}-windres)

# Libraries, headers and packages from the mingw tree only: the build
# machine's own would be Linux ones. Programs are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${BRISOLT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest and test discovery run the .exe files through Wine's 64-bit loader
# (the top-level CMakeLists.txt gives it a prefix inside the build folder).
find_program(BRISOLT_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT BRISOLT_WINE)
    find_program(BRISOLT_WINE NAMES wine64 wine)
endif()
if(BRISOLT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${BRISOLT_WINE})
endif()
