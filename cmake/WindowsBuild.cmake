# The Windows build's settings for the whole tree (cmake/mingw-w64.cmake is its toolchain): the
# C library's options, the delay-loaded DLLs and the resources of the programs. The targets are
# the same CMakeLists.txt files' as on Linux.
find_package(Threads REQUIRED)
# The C library's thread-safe time conversions (gmtime_r, localtime_r) as on Linux.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS)
# mingw-w64's GCC 12 warns falsely about overlapping copies inside std::string at -O2 and above
# (GCC bug 105329); the Linux build's compiler checks the same code.
add_compile_options(-Wno-restrict)

include(cmake/DelayLoad.cmake)
include(cmake/WindowsResources.cmake)

# The programs, the test suites and the benchmarks' programs at the top of the build, where the
# package, the end-to-end tests and scripts/bench-windows take them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
