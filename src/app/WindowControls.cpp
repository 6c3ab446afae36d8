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

} // namespace app
