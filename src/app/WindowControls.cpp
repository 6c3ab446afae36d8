#include "app/WindowControls.h"

#include "controls/TKvProgressBar.h"

namespace app {

using namespace controls;

void ApplyWindowProgressBarValues(TKvProgressBar& bar) {
  bar.SetLoading(true);
  bar.SetBounds(0, 162, 409, 24);
  bar.SetBackColor(clBtnFace);
  bar.SetBarStyle(bsGradient);
  bar.SetBorderInner(fsFlat);
  bar.SetBorderOuter(fsNone);
  bar.SetBorderWidth(1);
  bar.SetInteriorOffset(0);
  bar.SetPartsComplete(0);
  bar.SetPercent(0);
  bar.SetShowPercent(false);
  bar.SetTotalParts(0);
  bar.SetLoading(false);
}

platform::TPoint CentredWindowPosition(const platform::TRect& screen, platform::TSize client,
                                       const platform::TRect& frame) {
  const int width = client.Width + frame.Left + frame.Right;
  const int height = client.Height + frame.Top + frame.Bottom;
  return {screen.Left + (screen.Width() - width) / 2, screen.Top + (screen.Height() - height) / 2};
}

} // namespace app
