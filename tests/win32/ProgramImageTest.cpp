// What Windows reads from the programs before and while they run: the application manifest of
// both, and where their DLLs come from.
#include "Win32Process.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

using namespace wintest;
namespace fs = std::filesystem;

// The program's RT_MANIFEST resource 1, the one the loader reads; empty when there is none.
std::string Manifest(const std::wstring& program) {
  HMODULE exe = LoadLibraryExW(program.c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!exe)
    return {};
  std::string text;
  if (HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(exe, found)));
    if (bytes)
      text.assign(bytes, SizeofResource(exe, found));
  }
  FreeLibrary(exe);
  return text;
}

// clang-format off
const char* const Declared[] = {
    R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)",
    R"(<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>)", // Windows 7
    R"(<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>)", // 8
    R"(<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>)", // 8.1
    R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)", // 10 and 11
    R"(<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>)",
    // The window scales itself to each monitor's dpi: per monitor, version 2 where the
    // system knows it, and for the systems before 10 1607.
    R"(<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>)",
    R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>)",
};
// clang-format on

TEST(WinProgramImage, BothProgramsDeclareTheirRightsSystemsLongPathsAndPerMonitorDpiAwareness) {
  for (const char* program : {KOLVARIN_TOOL_BINARY, KOLVARIN_UPDATE_EXE}) {
    SCOPED_TRACE(program);
    const std::string manifest = Manifest(WinPath(program));
    ASSERT_NE(manifest, "");
    for (const char* entry : Declared)
      EXPECT_NE(manifest.find(entry), std::string::npos) << entry;
    // No entry that would leave the window to the system's stretching.
    EXPECT_EQ(manifest.find(">false</dpiAware>"), std::string::npos);
    EXPECT_EQ(manifest.find("unaware"), std::string::npos);
    EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
  }
}

// A DLL of a system DLL's name beside the program is never loaded: the program's sockets come
// from the system's ws2_32.dll although a planted one lies in its folder. Wine prefers its own
// ws2_32 to one in the program's folder; this suite runs with WINEDLLOVERRIDES telling it to
// prefer a native one (tests/CMakeLists.txt; Windows ignores the variable), and then it loads the
// planted file whenever the search looks in the program's folder.
TEST(WinProgramImage, ADllPlantedBesideTheProgramIsNotLoaded) {
  TempFolder folder;
  const fs::path tool = folder.Path() / "kolvarin-tool.exe";
  fs::copy_file(WinPath(KOLVARIN_TOOL_BINARY), tool);
  fs::copy_file(WinPath(KOLVARIN_PLANTED_DLL), folder.Path() / "ws2_32.dll");
  // Nothing listens on the discard port of loopback: the connection is refused at once.
  const RunResult result = wintest::Run(tool.wstring(), {"fetch", "http://127.0.0.1:9/"});
  EXPECT_FALSE(fs::exists(folder.Path() / "planted-loaded.txt"));
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.err.find("Code: 10061"), std::string::npos) << result.err;
}

} // namespace
