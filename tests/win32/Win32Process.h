#pragma once

// Starting Win32 programs from the Windows tests: paths, output capture, waiting, ending.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace wintest {

// A path as Windows names it: an absolute Unix path (from the build) lies on Wine's drive Z:.
inline std::wstring WinPath(const std::string& path) {
  std::wstring wide(path.begin(), path.end());
  for (wchar_t& c : wide)
    if (c == L'/')
      c = L'\\';
  return !path.empty() && path[0] == '/' ? L"Z:" + wide : wide;
}

inline std::wstring Quoted(const std::wstring& argument) {
  return L"\"" + argument + L"\"";
}

// A folder of its own below the temporary folder, removed when it goes.
class TempFolder {
public:
  TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    // Programs are run from several threads at once: each folder must have its own number.
    static std::atomic<int> counter{0};
    m_path = std::filesystem::path(base) / (L"kvtest-" + std::to_wstring(GetCurrentProcessId()) +
                                            L"-" + std::to_wstring(++counter));
    std::filesystem::create_directories(m_path);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return m_path; }

private:
  std::filesystem::path m_path;
};

struct RunResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string out;
  std::string err;
};

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), {});
}

// Runs `program` with `args` and waits for it at most `limit` (then ends it: exit code
// 0xFFFFFFFF); standard output and error are captured.
inline RunResult Run(const std::wstring& program, const std::vector<std::string>& args,
                     std::chrono::milliseconds limit = std::chrono::seconds(120)) {
  TempFolder folder;
  const auto outPath = folder.Path() / L"out";
  const auto errPath = folder.Path() / L"err";
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  std::wstring commandLine = Quoted(program);
  for (const std::string& arg : args)
    commandLine += L" " + Quoted(std::wstring(arg.begin(), arg.end()));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  RunResult result;
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &process)) {
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &result.exitCode);
    } else {
      TerminateProcess(process.hProcess, 0xFFFFFFFF);
      WaitForSingleObject(process.hProcess, 10000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  CloseHandle(err);
  result.out = ReadAll(outPath);
  result.err = ReadAll(errPath);
  return result;
}

// A program started in the background, ended (if still running) when this goes.
class Started {
public:
  Started(const std::wstring& program, const std::vector<std::wstring>& args) {
    std::wstring commandLine = Quoted(program);
    for (const std::wstring& arg : args)
      commandLine += L" " + Quoted(arg);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &m_process)) {
      CloseHandle(m_process.hThread);
      m_process.hThread = nullptr;
    }
  }
  ~Started() {
    if (!m_process.hProcess)
      return;
    if (Running())
      TerminateProcess(m_process.hProcess, 9);
    WaitForSingleObject(m_process.hProcess, 10000);
    CloseHandle(m_process.hProcess);
  }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;

  bool Ok() const { return m_process.hProcess != nullptr; }
  DWORD Id() const { return m_process.dwProcessId; }
  bool Running() const { return WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT; }
  bool WaitEnded(std::chrono::milliseconds limit) const {
    return WaitForSingleObject(m_process.hProcess, static_cast<DWORD>(limit.count())) ==
           WAIT_OBJECT_0;
  }

private:
  PROCESS_INFORMATION m_process{};
};

// Polls `condition` until it holds or `limit` has passed.
template <typename Condition> bool WaitUntil(Condition condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

} // namespace wintest
