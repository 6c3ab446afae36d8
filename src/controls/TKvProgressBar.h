#pragma once

#include "controls/Colors.h"
#include "controls/Frames.h"
#include "controls/Gradient.h"
#include "controls/TControl.h"
#include "platform/TextEngine.h"

#include <cstdint>
#include <functional>
#include <string>

namespace controls {

enum TBarStyle { bsTraditional, bsLED, bsGradient };
enum TOrientation { orHorizontal, orVertical };

// A progress bar drawn by the kit. TotalParts and PartsComplete give Percent (rounded, halves
// to even, kept in 16 bits); the bar is invalidated only when Percent changes.
class TKvCustomProgressBar : public TControl {
public:
  TKvCustomProgressBar();

  std::function<void(TKvCustomProgressBar* sender, int percent)> OnChange;

  std::uint32_t TotalParts() const noexcept { return m_totalParts; }
  void SetTotalParts(std::uint32_t value);
  std::uint32_t PartsComplete() const noexcept { return m_partsComplete; }
  void SetPartsComplete(std::uint32_t value);
  std::uint16_t Percent() const noexcept { return m_percent; }
  void SetPercent(std::uint32_t value);

  bool ShowPercent() const noexcept { return m_showPercent; }
  void SetShowPercent(bool value);
  bool ShowParts() const noexcept { return m_showParts; }
  void SetShowParts(bool value);

  // The percentage, named by the control that labels the bar.
  std::optional<platform::TAccessibleRole> AccessibleRole() const override {
    return platform::TAccessibleRole::ProgressBar;
  }
  std::string AccessibleValue() const override;
  std::optional<platform::TAccessibleRange> AccessibleRange() const override;
  TBarStyle BarStyle() const noexcept { return m_barStyle; }
  void SetBarStyle(TBarStyle value);
  TOrientation Orientation() const noexcept { return m_orientation; }
  void SetOrientation(TOrientation value);
  TColor BarColor() const noexcept { return m_barColor; }
  void SetBarColor(TColor value);
  TColor BarColorStop() const noexcept { return m_barColorStop; }
  void SetBarColorStop(TColor value);
  TColor BackColor() const noexcept { return m_backColor; }
  void SetBackColor(TColor value);
  TColor BackColorStop() const noexcept { return m_backColorStop; }
  void SetBackColorStop(TColor value);
  TGradientDirection GradientDirection() const noexcept { return m_gradientDirection; }
  void SetGradientDirection(TGradientDirection value);
  TFrameStyleEx BorderOuter() const noexcept { return m_borderOuter; }
  void SetBorderOuter(TFrameStyleEx value);
  TFrameStyleEx BorderInner() const noexcept { return m_borderInner; }
  void SetBorderInner(TFrameStyleEx value);
  int BorderWidth() const noexcept { return m_borderWidth; }
  void SetBorderWidth(int value);
  TColor BorderColor() const noexcept { return m_borderColor; }
  void SetBorderColor(TColor value);
  int BevelWidth() const noexcept { return m_bevelWidth; }
  void SetBevelWidth(int value);
  TColor FlatColor() const noexcept { return m_flatColor; }
  void SetFlatColor(TColor value);
  int FlatColorAdjustment() const noexcept { return m_flatColorAdjustment; }
  void SetFlatColorAdjustment(int value);
  int InteriorOffset() const noexcept { return m_interiorOffset; }
  void SetInteriorOffset(int value);
  int NumSegments() const noexcept { return m_numSegments; }
  void SetNumSegments(int value);
  bool ThemeAware() const noexcept { return m_themeAware; }
  void SetThemeAware(bool value);

  const platform::TFontSpec& Font() const noexcept { return m_font; }
  void SetFont(const platform::TFontSpec& font);

  // Places the bar; the orientation follows the new shape (vertical when taller than wide).
  void SetBounds(int left, int top, int width, int height);
  void SetBounds(const platform::TRect& bounds);

  // While the window is loaded from its stored values, writes only store.
  void SetLoading(bool loading) noexcept { m_loading = loading; }

  // The whole picture of the bar, as a paint draws it.
  platform::TBitmap Render() const;

protected:
  void Paint(TCanvas& canvas) override;

private:
  void RedrawNow();
  void RenderInto(platform::TBitmap& image) const;
  // The bar, its frame and its text on `canvas`, in the control's coordinates.
  void PaintBar(TCanvas& canvas) const;
  void DrawGradientProgress(TCanvas& canvas, const TRect& area) const;
  void DrawTraditional(TCanvas& canvas, const TRect& area, bool led) const;
  std::string Text() const;

  std::uint32_t m_totalParts = 0;
  std::uint32_t m_partsComplete = 0;
  std::uint16_t m_percent = 0;
  bool m_showPercent = true;
  bool m_showParts = false;
  TBarStyle m_barStyle = bsTraditional;
  TOrientation m_orientation = orHorizontal;
  TColor m_barColor = clHighlight;
  TColor m_barColorStop = clHotLight;
  TColor m_backColor = clWhite;
  TColor m_backColorStop = clBtnFace;
  TGradientDirection m_gradientDirection = gdHorizontalCenter;
  TFrameStyleEx m_borderOuter = fsLowered;
  TFrameStyleEx m_borderInner = fsNone;
  int m_borderWidth = 0;
  TColor m_borderColor = clBtnFace;
  int m_bevelWidth = 1;
  TColor m_flatColor = clBtnShadow;
  int m_flatColorAdjustment = 30;
  int m_interiorOffset = 0;
  int m_numSegments = 20;
  bool m_themeAware = true;
  bool m_loading = false;
  platform::TFontSpec m_font;
  platform::TBitmap m_picture; // the last paint's, kept for the next
};

class TKvProgressBar : public TKvCustomProgressBar {
public:
  using TKvCustomProgressBar::TKvCustomProgressBar;
};

} // namespace controls
