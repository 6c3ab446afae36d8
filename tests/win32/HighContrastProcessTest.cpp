// The high-contrast scheme as a user sets it on Windows: the colours in the user's registry
// ("Control Panel\Colors"), read by each program as it starts. A new run of this test program
// draws the window under them and checks every caption (WindowColors, with the scheme left to
// the system).
#include "Win32Process.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// The scheme's values as the registry holds them, "R G B".
const std::vector<std::pair<std::wstring, std::wstring>> HighContrastBlack = {
    {L"Window", L"0 0 0"},
    {L"WindowText", L"255 255 255"},
    {L"Hilight", L"26 235 255"},
    {L"HilightText", L"0 0 0"},
    {L"ButtonFace", L"0 0 0"},
    {L"ButtonText", L"255 255 255"},
    {L"ButtonShadow", L"128 128 128"},
    {L"GrayText", L"63 242 63"},
    {L"ButtonHilight", L"255 255 255"},
    {L"ButtonDkShadow", L"128 128 128"},
    {L"HotTrackingColor", L"255 255 0"},
};

// Sets values of "HKCU\Control Panel\Colors" while it lives, then puts back what was there.
class RegistryColors {
public:
  explicit RegistryColors(const std::vector<std::pair<std::wstring, std::wstring>>& values) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Colors", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_key, nullptr) != ERROR_SUCCESS)
      return;
    for (const auto& [name, value] : values) {
      wchar_t previous[64];
      DWORD size = sizeof previous;
      DWORD type = 0;
      const bool had =
          RegQueryValueExW(m_key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(previous),
                           &size) == ERROR_SUCCESS &&
          type == REG_SZ;
      m_previous.push_back(
          {name, had ? std::optional<std::wstring>(std::wstring(previous, size / sizeof(wchar_t)))
                     : std::nullopt});
      Set(name, value);
    }
  }
  ~RegistryColors() {
    if (!m_key)
      return;
    for (const Previous& each : m_previous) {
      if (each.value)
        Set(each.name, *each.value);
      else
        RegDeleteValueW(m_key, each.name.c_str());
    }
    RegCloseKey(m_key);
  }
  RegistryColors(const RegistryColors&) = delete;
  RegistryColors& operator=(const RegistryColors&) = delete;
  bool Ok() const { return m_key != nullptr; }

private:
  struct Previous {
    std::wstring name;
    std::optional<std::wstring> value;
  };
  void Set(const std::wstring& name, std::wstring value) {
    // Stored with its terminating null, as the system writes it.
    if (value.empty() || value.back() != L'\0')
      value.push_back(L'\0');
    RegSetValueExW(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size() * sizeof(wchar_t)));
  }

  HKEY m_key = nullptr;
  std::vector<Previous> m_previous;
};

TEST(WinHighContrast, AProgramStartedUnderTheUsersSchemeDrawsEveryCaptionReadably) {
  if (std::getenv("KOLVARIN_SCHEME_FROM_SYSTEM"))
    GTEST_SKIP() << "the run under the scheme";
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  wintest::RunResult result;
  {
    const RegistryColors scheme(HighContrastBlack);
    ASSERT_TRUE(scheme.Ok());
    SetEnvironmentVariableW(L"KOLVARIN_SCHEME_FROM_SYSTEM", L"1");
    result = wintest::Run(
        self,
        {"--gtest_filter=WindowColors.UnderHighContrastBlackEveryCaptionIsReadableInEachState"});
    SetEnvironmentVariableW(L"KOLVARIN_SCHEME_FROM_SYSTEM", nullptr);
  }
  EXPECT_EQ(result.exitCode, 0u) << result.out << result.err;
  // The case ran, and was not skipped.
  EXPECT_NE(result.out.find("[  PASSED  ] 1 test"), std::string::npos) << result.out;
}

} // namespace
