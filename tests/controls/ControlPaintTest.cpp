// A form paints its controls into its one picture, only where it was invalidated.
#include "RecordingHost.h"
#include "SpyControl.h"
#include "controls/Canvas.h"
#include "controls/TForm.h"

#include <gtest/gtest.h>

using controls::TForm;

namespace {

// Fills itself with its colour.
class TSwatch : public controls::TControl {
public:
  explicit TSwatch(controls::TColor color) : color(color) {}
  controls::TColor color;
  int paints = 0;

protected:
  void Paint(controls::TCanvas& canvas) override {
    ++paints;
    canvas.FillRect({0, 0, Width(), Height()}, color);
  }
};

constexpr std::uint32_t Red = 0xFFFF0000u;
constexpr std::uint32_t Blue = 0xFF0000FFu;
constexpr std::uint32_t Grey = 0xFF808080u;

TEST(ControlPainting, ControlsPaintInZOrderInsideTheirParentsAtEachScale) {
  for (int scale : {1, 2}) {
    TForm form;
    auto host = std::make_unique<TRecordingHost>();
    host->dpi = 96 * scale;
    form.SetHost(std::move(host));
    form.SetColor(Grey);
    form.SetClientSize({40, 30});
    auto& back = form.AddControl<TSwatch>(controls::RGB(255, 0, 0));
    back.SetBounds(5, 5, 20, 20);
    // A child that reaches past its parent's edge is cut there.
    auto& inner = back.AddControl<TSwatch>(controls::RGB(0, 0, 255));
    inner.SetBounds(10, 10, 30, 30);
    const platform::TBitmap& picture = form.HostPaint();
    struct Probe {
      int x, y;
      std::uint32_t expected;
    } probes[] = {{2, 2, Grey},   {6, 6, Red},    {16, 16, Blue},
                  {24, 24, Blue}, {25, 25, Grey}, {30, 16, Grey}};
    for (const Probe& p : probes) {
      EXPECT_EQ(picture.Pixel(p.x * scale, p.y * scale), p.expected) << p.x << "," << p.y;
      EXPECT_EQ(picture.Pixel(p.x * scale + scale - 1, p.y * scale + scale - 1), p.expected)
          << p.x << "," << p.y << " last device pixel";
    }
  }
}

TEST(ControlPainting, OnlyTheDirtyPartIsPainted) {
  TForm form;
  form.SetColor(Grey);
  form.SetClientSize({60, 20});
  auto& left = form.AddControl<TSwatch>(controls::RGB(255, 0, 0));
  left.SetBounds(0, 0, 20, 20);
  auto& right = form.AddControl<TSwatch>(controls::RGB(255, 0, 0));
  right.SetBounds(40, 0, 20, 20);
  form.HostPaint();
  left.paints = right.paints = 0;
  // Both turn blue, but only a part of the right one is invalidated.
  left.color = right.color = controls::RGB(0, 0, 255);
  right.InvalidateRect({5, 5, 10, 10});
  const platform::TBitmap& picture = form.HostPaint();
  EXPECT_EQ(left.paints, 0);
  EXPECT_EQ(right.paints, 1);
  EXPECT_EQ(picture.Pixel(10, 10), Red);
  EXPECT_EQ(picture.Pixel(44, 4), Red);
  EXPECT_EQ(picture.Pixel(45, 5), Blue);
  EXPECT_EQ(picture.Pixel(49, 9), Blue);
  EXPECT_EQ(picture.Pixel(50, 10), Red);
}

} // namespace
