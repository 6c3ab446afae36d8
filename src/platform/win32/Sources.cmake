# The services on Windows: the real Win32 calls, text in UTF-16 at each of them.
add_library(kv_platform STATIC
  DateTime.cpp
  Exceptions.cpp
  ExceptionName.cpp
  FontRepair.cpp
  SocketLibrary.cpp
  Streams.cpp
  Text.cpp
  TThread.cpp
  ApplicationDispatch.cpp
  win32/Application.cpp
  win32/Console.cpp
  win32/Files.cpp
  win32/GdiTextEngine.cpp
  win32/Internet.cpp
  win32/MessageBox.cpp
  win32/PlayerSignature.cpp
  win32/ProgramIcon.cpp
  win32/Processes.cpp
  win32/Shell.cpp
  win32/ShowBitmap.cpp
  win32/SocketLibrary.cpp
  win32/StartProgram.cpp
  win32/SystemColors.cpp
  win32/Spawn.cpp
  win32/MainThreadWake.cpp
  win32/Unicode.cpp
  win32/Windows.cpp
  win32/WindowHost.cpp
)
target_include_directories(kv_platform PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(kv_platform PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
# ws2_32 is not linked: it is loaded and bound by name at run time.
# Signatures are checked with CNG; the key's encoding is read with the certificate library.
# Text and pictures on windows are GDI's. The download's, the shell's and the signature's DLLs
# are loaded on their first use (cmake/DelayLoad.cmake).
target_link_libraries(kv_platform PUBLIC kv_delay_wininet kv_delay_shell32 kv_delay_crypt32
                      kv_delay_bcrypt delayimp user32 gdi32)
