#pragma once

// A window host that only records what its form asks of it.

#include "platform/WindowHost.h"

#include <string>
#include <utility>
#include <vector>

class TRecordingHost final : public platform::TWindowHost {
public:
  void Show() override { shown = true; }
  void Hide() override { shown = false; }
  bool Visible() const override { return shown; }
  void SetTitle(const std::string& value) override { title = value; }
  void SetClientSize(platform::TSize size) override { clientSize = size; }
  void SetPosition(platform::TPoint value) override { position = value; }
  int Dpi() const override { return dpi; }
  void Invalidate(const platform::TRect& rect) override { invalidated.push_back(rect); }
  void SetCursor(platform::TCursor value) override { cursor = value; }
  void SetCapture(bool value) override { capture = value; }
  void AccessibleChanged(int id, platform::TAccessibleChange change) override {
    accessibleChanges.emplace_back(id, change);
  }

  bool shown = false;
  std::string title;
  platform::TSize clientSize;
  platform::TPoint position;
  int dpi = platform::BaseDpi;
  std::vector<platform::TRect> invalidated;
  platform::TCursor cursor = platform::TCursor::Arrow;
  bool capture = false;
  std::vector<std::pair<int, platform::TAccessibleChange>> accessibleChanges;
};
