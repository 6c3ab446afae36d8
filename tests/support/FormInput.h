#pragma once

// Drives a form through the entry points its window host calls, as a user would: the same
// control tests run on every platform without a toolkit.

#include "platform/WindowHost.h"

#include <string>

class TFormInput {
public:
  explicit TFormInput(platform::TWindowEvents& form) : m_form(form) {}

  void Move(int x, int y, unsigned shift = 0) { m_form.HostMouseMove({x, y}, shift); }
  void Press(int x, int y, platform::TMouseButton button = platform::TMouseButton::Left) {
    Move(x, y);
    m_form.HostMouseDown(button, {x, y}, 0);
  }
  void Release(int x, int y, platform::TMouseButton button = platform::TMouseButton::Left) {
    m_form.HostMouseUp(button, {x, y}, 0);
  }
  void Click(int x, int y) {
    Press(x, y);
    Release(x, y);
  }
  void Leave() { m_form.HostMouseLeave(); }

  // Down and up; true when the form used the key.
  bool Key(platform::TKey key, unsigned shift = 0, const std::string& text = {}) {
    const bool used = m_form.HostKeyDown(key, shift, text);
    m_form.HostKeyUp(key, shift);
    return used;
  }
  bool Tab(bool back = false) {
    return Key(platform::TKey::Tab, back ? unsigned{platform::ssShift} : 0u);
  }
  // ASCII letters, digits and spaces, each as its key with its text.
  void Type(const std::string& text) {
    for (char each : text) {
      const char upper = each >= 'a' && each <= 'z' ? static_cast<char>(each - 'a' + 'A') : each;
      const auto key = upper == ' ' ? platform::TKey::Space : static_cast<platform::TKey>(upper);
      Key(key, each >= 'A' && each <= 'Z' ? unsigned{platform::ssShift} : 0u, std::string(1, each));
    }
  }

private:
  platform::TWindowEvents& m_form;
};
