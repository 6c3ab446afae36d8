#pragma once

#include "controls/Colors.h"
#include "controls/Frames.h"
#include "controls/Gradient.h"
#include "controls/TControl.h"
#include "platform/TextEngine.h"

#include <functional>
#include <string>

namespace controls {

enum TKvVisualStyle { vsClassic, vsWinXP, vsGradient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TKvGroupBoxStyle { gsStandard, gsCustom, gsTopLine, gsFlat, gsBanner, gsUnderline };

// A container that paints itself: a frame, then a flat or gradient client area, then its
// caption. Its form paints its children afterwards.
class TKvCustomPanel : public TControl {
public:
  TKvCustomPanel();

  std::optional<platform::TAccessibleRole> AccessibleRole() const override {
    return platform::TAccessibleRole::Grouping;
  }
  std::string AccessibleName() const override { return StripAccelerators(Caption()); }

  std::function<void(TKvCustomPanel* sender)> OnPaint;

#define KV_PROPERTY(Type, Name, member)                                                            \
  Type Name() const {                                                                              \
    return member;                                                                                 \
  }                                                                                                \
  void Set##Name(const Type& value) {                                                              \
    SetAndInvalidate(member, value);                                                               \
  }
  KV_PROPERTY(TKvVisualStyle, VisualStyle, m_visualStyle)
  KV_PROPERTY(TKvGradientColorStyle, GradientColorStyle, m_gradientColorStyle)
  KV_PROPERTY(TColor, GradientColorStart, m_gradientColorStart)
  KV_PROPERTY(TColor, GradientColorStop, m_gradientColorStop)
  KV_PROPERTY(TGradientDirection, GradientDirection, m_gradientDirection)
  KV_PROPERTY(TFrameStyleEx, BorderOuter, m_borderOuter)
  KV_PROPERTY(TFrameStyleEx, BorderInner, m_borderInner)
  KV_PROPERTY(int, BorderWidth, m_borderWidth)
  KV_PROPERTY(TSides, BorderSides, m_borderSides)
  KV_PROPERTY(TColor, FlatColor, m_flatColor)
  KV_PROPERTY(int, FlatColorAdjustment, m_flatColorAdjustment)
  KV_PROPERTY(bool, PaintClientArea, m_paintClientArea)
  KV_PROPERTY(TColor, Color, m_color)
  KV_PROPERTY(TAlignment, Alignment, m_alignment)
  KV_PROPERTY(std::string, Caption, m_caption)
  KV_PROPERTY(int, TextMargin, m_textMargin)
  KV_PROPERTY(bool, WordWrap, m_wordWrap)
#undef KV_PROPERTY

  const platform::TFontSpec& Font() const {
    return m_font;
  }
  void SetFont(const platform::TFontSpec& font);
  bool Transparent() const {
    return m_transparent;
  }
  // A transparent container shows its parent's picture where it does not paint itself.
  void SetTransparent(bool value);

  // The rectangle inside the frame, where children are aligned.
  virtual TRect ClientArea() const;

  // The whole picture of the control (with the parent's picture under a transparent one).
  platform::TBitmap Render();

protected:
  // Paints the control, then raises OnPaint.
  void Paint(TCanvas& canvas) final;
  virtual void PaintSelf(TCanvas& canvas);

  TKvVisualStyle m_visualStyle = vsWinXP;
  TKvGradientColorStyle m_gradientColorStyle = gcsSystem;
  TColor m_gradientColorStart = clWhite;
  TColor m_gradientColorStop = clBtnFace;
  TGradientDirection m_gradientDirection = gdHorizontalEnd;
  TFrameStyleEx m_borderOuter = fsRaised;
  TFrameStyleEx m_borderInner = fsNone;
  int m_borderWidth = 0;
  TSides m_borderSides = sdAll;
  TColor m_flatColor = clBtnShadow;
  int m_flatColorAdjustment = 30;
  bool m_transparent = false;
  bool m_paintClientArea = true;
  TColor m_color = clBtnFace;
  TAlignment m_alignment = taCenter;
  std::string m_caption;
  int m_textMargin = 0;
  bool m_wordWrap = false;
  platform::TFontSpec m_font;

private:
  TFrameParams FrameParams() const;
};

class TKvPanel : public TKvCustomPanel {
public:
  using TKvCustomPanel::TKvCustomPanel;
};

// A group box; with gsBanner a shaded banner with the caption runs across its top.
class TKvCustomGroupBox : public TKvCustomPanel {
public:
  TKvCustomGroupBox();

  // The caption's accelerator ('&' before a letter, with Alt) moves the focus to the first
  // child that takes it.
  void SetCaption(const std::string& caption);

  TKvGroupBoxStyle GroupStyle() const { return m_groupStyle; }
  void SetGroupStyle(TKvGroupBoxStyle value);
  int BannerHeight() const { return m_bannerHeight; }
  void SetBannerHeight(int value);
  // A copy of the control's font that follows it until it is set on its own.
  const platform::TFontSpec& CaptionFont() const {
    return m_captionFontSet ? m_captionFont : m_font;
  }
  void SetCaptionFont(const platform::TFontSpec& value);

  TRect ClientArea() const override;
  // Where the caption was drawn at the last paint.
  TRect CaptionRect() const { return m_captionRect; }

protected:
  void PaintSelf(TCanvas& canvas) override;
  void AcceleratorPressed() override;

private:
  void PaintBanner(TCanvas& canvas);
  void PaintOtherStyle(TCanvas& canvas);

  TKvGroupBoxStyle m_groupStyle = gsFlat;
  int m_bannerHeight = 0;
  platform::TFontSpec m_captionFont;
  bool m_captionFontSet = false;
  TRect m_captionRect;
};

class TKvGroupBox : public TKvCustomGroupBox {
public:
  using TKvCustomGroupBox::TKvCustomGroupBox;
};

} // namespace controls
