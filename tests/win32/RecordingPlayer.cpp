// A stand-in for an installed "Kolvarin.exe" that the updater starts: it records its start, then
// shows a window of class "Kolvarin" until it is closed, or ends at once.
//
//   Kolvarin.exe [error-mode] [hidden] [exit N | close | ignores | hangs]
//
// "error-mode" writes the error mode the program was started with (GetErrorMode, in decimal) to
// "error-mode.txt" beside it. "hidden" makes the window without ever showing it; then "exit N"
// comes a second later, so that a watcher sees the hidden window first.
//
// The record is one line appended to the file named by KOLVARIN_PLAYER_LOG, else to
// "started.txt" beside the program: its path, its arguments, its working folder and its tag,
// separated by tabs, in UTF-8. The tag is the last line of the program's own file when that
// line starts with "# " (a test appends "\n# Kolvarin 1.0.0.1 exit 1\n" to tell copies apart):
// the updater starts the player without arguments, so the words of the tag after the version
// choose what it does when the command line does not.
#include "PlayerStandIn.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>
#include <windows.h>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty())
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The tag appended to the program's file, without its "# ".
std::string Tag(const std::wstring& program) {
  std::ifstream file(std::filesystem::path(program), std::ios::binary);
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  const std::streamoff tail = size < 256 ? size : 256;
  file.seekg(size - tail);
  std::string end(static_cast<std::size_t>(tail), '\0');
  file.read(end.data(), tail);
  while (!end.empty() && (end.back() == '\n' || end.back() == '\r'))
    end.pop_back();
  const std::size_t line = end.rfind('\n');
  const std::string last = line == std::string::npos ? std::string() : end.substr(line + 1);
  return last.rfind("# ", 0) == 0 ? last.substr(2) : std::string();
}

void Record(const std::wstring& program, const std::string& arguments, const std::string& tag) {
  const wchar_t* named = _wgetenv(L"KOLVARIN_PLAYER_LOG");
  std::wstring log;
  if (named && *named) {
    log = named;
  } else {
    log = program.substr(0, program.find_last_of(L"\\/") + 1) + L"started.txt";
  }
  std::wstring folder(MAX_PATH, L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  const std::string line =
      Utf8(program) + "\t" + arguments + "\t" + Utf8(folder) + "\t" + tag + "\n";
  // Appends in one write, so that starts at the same moment do not mix their lines.
  HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream stream(text);
  return {std::istream_iterator<std::string>(stream), {}};
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i)
    args.push_back(Utf8(argv[i]));
  LocalFree(argv);

  const std::wstring program = ModulePath();
  const std::string tag = Tag(program);
  std::string joined;
  for (const std::string& arg : args)
    joined += (joined.empty() ? "" : " ") + arg;
  Record(program, joined, tag);

  // What to do: the arguments, else the tag's words after its first two ("Kolvarin 1.0.0.1").
  std::vector<std::string> words = args;
  if (words.empty()) {
    words = Words(tag);
    words.erase(words.begin(), words.begin() + (words.size() < 2 ? words.size() : 2));
  }
  bool hangs = false;
  bool ignoresClose = false;
  HWND hidden = nullptr;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "error-mode") {
      const std::wstring file =
          program.substr(0, program.find_last_of(L"\\/") + 1) + L"error-mode.txt";
      std::ofstream(std::filesystem::path(file)) << GetErrorMode();
    }
    if (words[i] == "hidden" && !hidden) {
      hidden = standin::MakePlayerWindow(instance);
      if (!hidden)
        return 4;
    }
    if (words[i] == "exit" && hidden)
      Sleep(1000);
    if (words[i] == "exit")
      return i + 1 < words.size() ? std::atoi(words[i + 1].c_str()) : 0;
    hangs = hangs || words[i] == "hangs";
    ignoresClose = ignoresClose || words[i] == "ignores";
  }
  if (hidden) {
    // Serves the hidden window until it is closed.
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
      DispatchMessageW(&message);
    return 0;
  }
  return standin::ShowPlayerWindow(instance, ignoresClose, hangs);
}
