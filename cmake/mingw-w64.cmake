# Cross-builds the Windows (x86-64) programs with Debian's mingw-w64, posix thread model so that
# std::thread works. Use: cmake -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KOLVARIN_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${KOLVARIN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOLVARIN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KOLVARIN_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KOLVARIN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static C and C++ run-time and threads: the programs need only the system's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The tests run the programs under Wine.
find_program(KOLVARIN_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT KOLVARIN_WINE)
  find_program(KOLVARIN_WINE NAMES wine64 wine)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${KOLVARIN_WINE})
