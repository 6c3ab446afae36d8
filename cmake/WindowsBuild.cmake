# The Windows build: the services on Win32, the transport, HTTP and download layers,
# kolvarin-tool.exe and the test suites that need no window.
find_package(Threads REQUIRED)
# The C library's thread-safe time conversions (gmtime_r, localtime_r) as on Linux.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS)
# mingw-w64's GCC 12 warns falsely about overlapping copies inside std::string at -O2 and above
# (GCC bug 105329); the Linux build's compiler checks the same code.
add_compile_options(-Wno-restrict)

include(cmake/DelayLoad.cmake)
add_subdirectory(src/platform)
add_subdirectory(src/net)
add_subdirectory(src/http)
add_subdirectory(src/download)
add_subdirectory(src/controls)

# The drawing kit: colours, gradients, frames, the canvas's primitives on a bitmap of our own and
# its text through the GDI text engine.
add_library(kv_drawing STATIC
  src/controls/Canvas.cpp src/controls/CanvasText.cpp src/controls/TextInkCache.cpp
  src/controls/Colors.cpp src/controls/Frames.cpp src/controls/Gradient.cpp)
target_link_libraries(kv_drawing PUBLIC kv_platform)

# The publisher's key, as in the Linux build (none by default).
include(cmake/PublisherKey.cmake)
kolvarin_publisher_key_source(${PROJECT_BINARY_DIR}/PublisherKey.cpp)
include(cmake/WindowsResources.cmake)

# The update flow and its window, as on Linux, and the program with the Windows entry point.
set(KOLVARIN_UPDATE_HOST "www.kolvarin.example" CACHE STRING
    "Host name of the publisher's web server (the version file and the player)")
add_library(kv_app STATIC
  src/app/DownloadClient.cpp src/app/PlayerShutdown.cpp src/app/PlayerSignatureCheck.cpp
  src/app/PlayerUpdate.cpp src/app/TFRMUPDATE.cpp src/app/UpdateTexts.cpp
  src/app/VersionClient.cpp src/app/WindowControls.cpp ${PROJECT_BINARY_DIR}/PublisherKey.cpp)
target_include_directories(kv_app PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(kv_app PUBLIC kv_controls kv_download kv_http kv_platform)
set_source_files_properties(src/app/UpdateTexts.cpp PROPERTIES
  COMPILE_DEFINITIONS "KOLVARIN_UPDATE_HOST=\"${KOLVARIN_UPDATE_HOST}\"")
add_executable(kolvarin-update src/app/WindowsMain.cpp)
target_link_libraries(kolvarin-update PRIVATE kv_app)
target_link_options(kolvarin-update PRIVATE -mwindows)
kolvarin_windows_resources(kolvarin-update "Kolvarin Updater")
install(TARGETS kolvarin-update RUNTIME DESTINATION bin)

# The tool, on the update flow's clients and window as on Linux.
add_executable(kolvarin-tool
  tools/kolvarin-tool.cpp tools/DownloadCommand.cpp tools/FetchCommand.cpp
  tools/VerifyCommand.cpp tools/RenderCommand.cpp tools/PngEncoder.cpp
  tools/win32/CommandLine.cpp tools/win32/PictureFiles.cpp)
target_include_directories(kolvarin-tool PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(kolvarin-tool PRIVATE kv_app)
kolvarin_windows_resources(kolvarin-tool "Kolvarin Updater command-line tool")
install(TARGETS kolvarin-tool RUNTIME DESTINATION bin)

option(KOLVARIN_TESTS "Build the test suites" ON)
if(KOLVARIN_TESTS)
  enable_testing()
  add_subdirectory(tests/win32)
endif()

# The bare WinINet read loop the download benchmark compares with (scripts/bench-windows).
add_executable(kv-wininet-loop bench/win32/wininet_loop.cpp)
target_link_libraries(kv-wininet-loop PRIVATE wininet)

# The bare Win32 window the start-to-window benchmark compares with (scripts/bench-windows).
add_executable(kv-bare-window bench/win32/bare_window.cpp)
target_link_options(kv-bare-window PRIVATE -mwindows -municode)

# The window's hand-offs alone, the floor of the whole updater's CPU time per MiB
# (scripts/bench-windows).
add_executable(kv-handoff-loop bench/win32/handoff_loop.cpp)
target_link_libraries(kv-handoff-loop PRIVATE kv_platform)
