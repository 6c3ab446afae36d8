#pragma once

#include "controls/Colors.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <optional>

namespace controls {

// A rectangle in pixels; right and bottom exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  TRect Inflated(int dx, int dy) const { return {Left - dx, Top - dy, Right + dx, Bottom + dy}; }
  bool operator==(const TRect&) const = default;
};

// Text drawing flags.
enum TextFlag : unsigned {
  tfLeft = 0,
  tfCenter = 1,
  tfRight = 2,
  tfVCenter = 4,
  tfSingleLine = 8,
  tfWordBreak = 16,
  tfExpandTabs = 32,
  tfNoPrefix = 64, // without it, '&' marks the next character and "&&" is one '&'
  tfCalcRect = 128,
};

// The drawing surface the kit paints on: an image or a widget's painter, with exactly the
// operations the kit needs and no anti-aliasing anywhere.
class TCanvas {
public:
  explicit TCanvas(QImage& image);
  TCanvas(QPainter& painter, int width, int height);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  QPainter& Painter() { return *m_painter; }
  // The image under an image canvas when drawing on it needs no clipping or transformation
  // (then a routine may write the pixels itself); null otherwise.
  QImage* DirectImage();
  int Width() const { return m_width; }
  int Height() const { return m_height; }

  void FillRect(const TRect& rect, TColor color);
  // A one-pixel line from (x1, y1) to (x2, y2), the end pixel left out.
  void Line(int x1, int y1, int x2, int y2, TColor color);
  void Pixel(int x, int y, TColor color);
  // An unfilled rectangle drawn inside its bounds with a pen `penWidth` wide.
  void FrameRect(const TRect& rect, TColor color, int penWidth = 1);
  void Draw(int x, int y, const QImage& image);
  // Text in a rectangle (see TextFlag); with tfCalcRect nothing is drawn and the rectangle
  // the text needs is returned.
  TRect DrawText(const QString& text, const TRect& rect, unsigned flags, const QFont& font,
                 TColor color);
  QSize TextExtent(const QString& text, const QFont& font);
  void ExcludeClip(const TRect& rect);
  void ClearClip();

private:
  void Setup();

  QImage* m_image = nullptr;
  std::optional<QPainter> m_own;
  QPainter* m_painter = nullptr;
  int m_width = 0;
  int m_height = 0;
  std::optional<QRegion> m_clip;
};

QColor ToQColor(TColor color);

// The font as the kit draws it: no anti-aliasing, full hinting (whole-pixel advances); a bold
// font whose family has no bold face (the window's Tahoma) becomes its regular face with wider
// letter spacing, which DrawText fills by widening the strokes (WidenStrokes).
QFont PixelFont(const QFont& font);

// How many pixels a bold font is widened by when its family has no bold face of its own; 0
// for a regular font or a family with a real bold face.
int SyntheticBoldWidth(const QFont& font);

// Widens the ink of a text mask (alpha over half) to the right by `pixels` device pixels, as a
// synthetic bold does, without closing a one-pixel gap between two inks.
void WidenStrokes(QImage& mask, int pixels);

// The height of one line of text in `font`, in pixels.
int TextHeight(const QFont& font);

// The toolkit's text flags for TextFlag bits.
int QtTextFlags(unsigned flags);

// Measures text as DrawText with tfCalcRect does, with the font's metrics looked up once: for
// a caller that measures many texts in one font.
class TTextMeasure {
public:
  explicit TTextMeasure(const QFont& font);
  TRect Measure(const QString& text, const TRect& rect, unsigned flags) const;

private:
  QFontMetrics m_metrics;
  int m_lineHeight;
};

// The text with its accelerator markers removed: each '&' is dropped unless the next one is
// also '&' (then one stays); the last character always stays.
QString StripAccelerators(const QString& text);

} // namespace controls
