#pragma once

// The Windows tests' hold on the system's proxy settings.
#include <string>
#include <vector>
#include <windows.h>

namespace wintest {

// The proxy settings of the user's connection (the ones WinINet reads), set for one test and put
// back afterwards.
class ProxySettings {
public:
  ProxySettings(const std::wstring& server, const std::wstring& bypass) {
    RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                    &m_key, nullptr);
    for (const wchar_t* name : {L"ProxyEnable", L"ProxyServer", L"ProxyOverride"}) {
      DWORD type = 0;
      DWORD size = 0;
      std::vector<BYTE> value;
      if (RegQueryValueExW(m_key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        value.resize(size);
        RegQueryValueExW(m_key, name, nullptr, &type, value.data(), &size);
        m_saved.push_back({name, type, value, true});
      } else {
        m_saved.push_back({name, 0, {}, false});
      }
    }
    const DWORD enable = 1;
    RegSetValueExW(m_key, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                   sizeof enable);
    SetText(L"ProxyServer", server);
    SetText(L"ProxyOverride", bypass);
  }
  ~ProxySettings() {
    for (const Saved& saved : m_saved) {
      if (saved.present)
        RegSetValueExW(m_key, saved.name, 0, saved.type, saved.value.data(),
                       static_cast<DWORD>(saved.value.size()));
      else
        RegDeleteValueW(m_key, saved.name);
    }
    RegCloseKey(m_key);
  }

private:
  static constexpr const wchar_t* KeyPath =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  struct Saved {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> value;
    bool present;
  };
  void SetText(const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  HKEY m_key = nullptr;
  std::vector<Saved> m_saved;
};

} // namespace wintest
