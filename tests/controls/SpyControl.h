#pragma once

// A control that writes every event it gets into a shared log, as "name:event".

#include "controls/Canvas.h"
#include "controls/TControl.h"

#include <optional>
#include <string>
#include <vector>

class TSpyControl : public controls::TControl {
public:
  TSpyControl(std::string name, std::vector<std::string>& log)
      : m_name(std::move(name)), m_log(log) {
    OnClick = [this] { Note("click"); };
  }

  // Keys this control uses itself when typed without Alt or Ctrl; others go back to the form.
  std::vector<controls::TKey> takes;
  int paints = 0;
  // A colour to fill itself with, if any.
  std::optional<controls::TColor> fill;

protected:
  void Paint(controls::TCanvas& canvas) override {
    ++paints;
    if (fill)
      canvas.FillRect(ClientRect(), *fill);
  }
  void MouseEnter() override { Note("enter"); }
  void MouseLeave() override { Note("leave"); }
  void MouseDown(const controls::TMouseEvent& e) override { Note("down " + Where(e)); }
  void MouseUp(const controls::TMouseEvent& e) override { Note("up " + Where(e)); }
  void MouseMove(const controls::TMouseEvent& e) override { Note("move " + Where(e)); }
  void MouseCaptureLost() override { Note("lost"); }
  bool KeyDown(const controls::TKeyEvent& e) override {
    if (e.Shift & (platform::ssAlt | platform::ssCtrl))
      return false;
    for (controls::TKey key : takes) {
      if (key == e.Key) {
        Note("key " + std::to_string(static_cast<int>(e.Key)) + " " + e.Text);
        return true;
      }
    }
    return false;
  }
  void FocusIn() override { Note("focusin"); }
  void FocusOut() override { Note("focusout"); }

  void Note(const std::string& what) { m_log.push_back(m_name + ":" + what); }

private:
  static std::string Where(const controls::TMouseEvent& e) {
    return std::to_string(e.Position.X) + "," + std::to_string(e.Position.Y);
  }

  std::string m_name;
  std::vector<std::string>& m_log;
};
