#pragma once

// The main window at a display scale, for the tests of both systems: the window in the state
// of a download under way, where each control lies on the device, whether each caption fits in
// its control there, and the layout the window is expected to have.

#include "app/TFRMUPDATE.h"
#include "app/UpdateTexts.h"
#include "controls/Canvas.h"
#include "controls/TKvButton.h"
#include "controls/TKvLabel.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/DeviceScale.h"
#include "platform/TextEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace windowscale {

// One control of the window: its rectangle in the window's device pixels and how far the ink of
// its caption reaches (empty without a caption).
struct TPlaced {
  std::string name;
  platform::TRect device;
  platform::TSize text;
  bool operator==(const TPlaced&) const = default;
};

// A control of the layout: where it lies in the window at 100 % (its width and height 0 where
// the label sizes itself to its caption).
struct TExpected {
  const char* name;
  int left, top, width, height;
};

// The window's controls that show something, their places in the window at 100 %.
inline const TExpected Layout[] = {
    {"KvPanel1", 0, 0, 409, 48},
    {"Image2", 0, 0, 48, 48},
    {"Label9", 48, 0, 361, 48},
    {"KvGroupBox1", 0, 48, 409, 114},
    {"Label2", 7, 70, 0, 0},
    {"KvURLLabel1", 7, 86, 0, 0},
    {"Label3", 7, 105, 0, 0},
    {"Label4", 7, 124, 0, 0},
    {"Label5", 7, 143, 0, 0},
    {"Label6", 110, 105, 0, 0},
    {"Label7", 110, 124, 0, 0},
    {"Label8", 110, 143, 0, 0},
    {"KvProgressBar1", 0, 162, 409, 24},
    {"KvGroupBox2", 0, 186, 409, 57},
    {"Label10", 7, 209, 0, 0},
    {"Label11", 7, 228, 0, 0},
    {"Label13", 110, 209, 0, 0},
    {"Label14", 110, 228, 0, 0},
    {"Bevel1", 0, 255, 409, 50},
    {"KvButton5", 7, 268, 75, 25},
    {"KvButton6", 151, 268, 105, 25},
    {"KvButton1", 319, 268, 75, 25},
};

// The nearest device pixel of a layout edge, halves up, computed apart from the kit.
inline int Nearest(int edge, int dpi) {
  return static_cast<int>(std::floor(edge * dpi / 96.0 + 0.5));
}

// The window's controls by name.
inline std::vector<std::pair<std::string, controls::TControl*>> Named(app::TFRMUPDATE& form) {
  return {{"KvPanel1", form.KvPanel1},
          {"Image2", form.Image2},
          {"Label9", form.Label9},
          {"KvGroupBox1", form.KvGroupBox1},
          {"Label2", form.Label2},
          {"KvURLLabel1", form.KvURLLabel1},
          {"Label3", form.Label3},
          {"Label4", form.Label4},
          {"Label5", form.Label5},
          {"Label6", form.Label6},
          {"Label7", form.Label7},
          {"Label8", form.Label8},
          {"KvProgressBar1", form.KvProgressBar1},
          {"KvGroupBox2", form.KvGroupBox2},
          {"Label10", form.Label10},
          {"Label11", form.Label11},
          {"Label13", form.Label13},
          {"Label14", form.Label14},
          {"Bevel1", form.Bevel1},
          {"KvButton5", form.KvButton5},
          {"KvButton6", form.KvButton6},
          {"KvButton1", form.KvButton1}};
}

// The caption a control shows and its font; none for a control without one.
inline std::optional<std::pair<std::string, platform::TFontSpec>>
CaptionOf(controls::TControl* control) {
  if (auto* label = dynamic_cast<controls::TKvLabel*>(control))
    return std::pair{label->Caption(), label->Font()};
  if (auto* button = dynamic_cast<controls::TKvCustomButton*>(control))
    return std::pair{controls::StripAccelerators(button->Caption()), button->Font()};
  if (auto* group = dynamic_cast<controls::TKvCustomGroupBox*>(control))
    return std::pair{group->Caption(), group->CaptionFont()};
  return std::nullopt;
}

// The device pixels the ink of one line of `text` reaches at `dpi` from the top left corner of
// its rectangle, as the engine draws it there, laid out in a rectangle too large to cut it.
inline platform::TSize TextNeeds(const std::string& text, const platform::TFontSpec& font,
                                 int dpi) {
  if (text.empty())
    return {};
  const unsigned flags = platform::tfLeft | platform::tfSingleLine | platform::tfNoPrefix;
  const platform::TRect room{0, 0, 1600, 120};
  const std::vector<std::uint8_t> ink = platform::TextEngine().Render(font, text, room, flags, dpi);
  platform::TSize reach;
  for (std::size_t i = 0; i < ink.size(); ++i) {
    if (!ink[i])
      continue;
    const int x = static_cast<int>(i % static_cast<std::size_t>(room.Width()));
    const int y = static_cast<int>(i / static_cast<std::size_t>(room.Width()));
    reach = {std::max(reach.Width, x + 1), std::max(reach.Height, y + 1)};
  }
  return reach;
}

// Each control of the window on the device at `dpi` (the form's when 0).
inline std::vector<TPlaced> Placement(app::TFRMUPDATE& form, int dpi = 0) {
  std::vector<TPlaced> placed;
  if (dpi == 0)
    dpi = form.Dpi();
  for (const auto& [name, control] : Named(form)) {
    const platform::TPoint origin = control->FormOrigin();
    const platform::TRect rect{origin.X, origin.Y, origin.X + control->Width(),
                               origin.Y + control->Height()};
    platform::TSize text;
    if (const auto caption = CaptionOf(control))
      text = TextNeeds(caption->first, caption->second, dpi);
    placed.push_back({name, platform::DeviceRect(rect, dpi), text});
  }
  return placed;
}

// The window as a download leaves it half way, with every caption set.
inline void ShowDownloading(app::TFRMUPDATE& form, const std::string& url) {
  form.KvButton5->SetEnabled(false);
  form.KvURLLabel1->SetCaption(url);
  form.KvURLLabel1->SetURL(url);
  form.Label9->SetCaption(app::texts::Downloading);
  form.Label13->SetCaption(std::string(app::texts::VersionPrefix) + "1.0.0.0");
  form.Label14->SetCaption(std::string(app::texts::VersionPrefix) + "1.0.0.1");
  form.HTTPFetchFileProgress(3240258, 1620129);
}

// The placement as lines of text ("name left top right bottom textWidth textHeight"), for a
// program that reports it to a test.
inline std::string Report(const std::vector<TPlaced>& placed) {
  std::string text;
  for (const TPlaced& each : placed) {
    char line[200];
    std::snprintf(line, sizeof line, "%s %d %d %d %d %d %d\n", each.name.c_str(), each.device.Left,
                  each.device.Top, each.device.Right, each.device.Bottom, each.text.Width,
                  each.text.Height);
    text += line;
  }
  return text;
}

// The placement back from the lines of Report (other lines skipped).
inline std::vector<TPlaced> ParseReport(const std::string& text) {
  std::vector<TPlaced> placed;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    TPlaced each;
    if (fields >> each.name >> each.device.Left >> each.device.Top >> each.device.Right >>
        each.device.Bottom >> each.text.Width >> each.text.Height)
      placed.push_back(each);
  }
  return placed;
}

// The failures of a placement at `dpi` against the layout and the placement at 100 %
// (`baseline`), one line each; empty when it holds: each control at its scaled place (a label as
// large as at 100 %, its layout's size), each caption's ink as wide as its control at most,
// and reaching below it no further than at 100 %, scaled. (At 100 % a label is one screen line
// of its font high, and the descenders of some letters reach a pixel below that line.)
inline std::vector<std::string> Check(const std::vector<TPlaced>& placed, int dpi,
                                      const std::vector<TPlaced>& baseline) {
  std::vector<std::string> failures;
  if (placed.size() != std::size(Layout) || baseline.size() != std::size(Layout)) {
    failures.push_back("controls: " + std::to_string(placed.size()) + " and " +
                       std::to_string(baseline.size()) + " at 100 %");
    return failures;
  }
  const auto rect = [](const platform::TRect& r) {
    return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) +
           "," + std::to_string(r.Bottom);
  };
  for (std::size_t i = 0; i < placed.size(); ++i) {
    const TExpected& row = Layout[i];
    const TPlaced& each = placed[i];
    const TPlaced& base = baseline[i];
    const platform::TSize size = row.width != 0
                                     ? platform::TSize{row.width, row.height}
                                     : platform::TSize{base.device.Width(), base.device.Height()};
    const platform::TRect expected{Nearest(row.left, dpi), Nearest(row.top, dpi),
                                   Nearest(row.left + size.Width, dpi),
                                   Nearest(row.top + size.Height, dpi)};
    if (each.name != row.name || each.device != expected)
      failures.push_back(each.name + " at " + rect(each.device) + ", expected " + row.name +
                         " at " + rect(expected));
    const int overhang = std::max(0, base.text.Height - base.device.Height());
    const int allowed = (overhang * dpi + platform::BaseDpi - 1) / platform::BaseDpi;
    if (each.text.Width > each.device.Width() || each.text.Height > each.device.Height() + allowed)
      failures.push_back(
          each.name + ": its caption's ink reaches " + std::to_string(each.text.Width) + " x " +
          std::to_string(each.text.Height) + " device pixels, it has " +
          std::to_string(each.device.Width()) + " x " + std::to_string(each.device.Height()) +
          " and " + std::to_string(allowed) + " below");
  }
  return failures;
}

} // namespace windowscale
