#include "platform/Shell.h"

#include "platform/win32/Unicode.h"

#include <mutex>
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

namespace platform {

namespace {

std::mutex g_lock;
std::function<bool(const std::string&)> g_opener;

bool Execute(const wchar_t* verb, const std::string& target) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, verb, win32::Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  // Results above 32 are success.
  return result > 32;
}

} // namespace

bool ShellOpen(const std::string& target) {
  {
    std::lock_guard guard(g_lock);
    if (g_opener)
      return g_opener(target);
  }
  return Execute(L"open", target);
}

bool ShellOpenWith(const std::string& target) {
  return Execute(L"openas", target);
}

void SetShellOpener(std::function<bool(const std::string&)> opener) {
  std::lock_guard guard(g_lock);
  g_opener = std::move(opener);
}

} // namespace platform
