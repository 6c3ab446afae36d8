#include "controls/Canvas.h"

#include <QFontMetrics>
#include <QHash>
#include <QRawFont>
#include <cmath>
#include <cstdlib>

namespace controls {

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

QString StripAccelerators(const QString& text) {
  QString result;
  result.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
      if (text[i + 1] == QLatin1Char('&')) {
        result += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    result += text[i];
  }
  return result;
}

TCanvas::TCanvas(QImage& image)
    : m_image(&image), m_width(image.width()), m_height(image.height()) {
  m_own.emplace(&image);
  m_painter = &*m_own;
  Setup();
}

TCanvas::TCanvas(QPainter& painter, int width, int height)
    : m_painter(&painter), m_width(width), m_height(height) {
  Setup();
}

void TCanvas::Setup() {
  m_painter->setRenderHint(QPainter::Antialiasing, false);
  m_painter->setRenderHint(QPainter::TextAntialiasing, false);
  m_painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
}

QImage* TCanvas::DirectImage() {
  if (!m_image || m_clip || m_painter->hasClipping() || !m_painter->transform().isIdentity() ||
      m_image->format() != QImage::Format_RGB32)
    return nullptr;
  return m_image;
}

void TCanvas::FillRect(const TRect& rect, TColor color) {
  if (rect.Width() <= 0 || rect.Height() <= 0)
    return;
  m_painter->fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), ToQColor(color));
}

void TCanvas::Pixel(int x, int y, TColor color) {
  m_painter->fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

void TCanvas::Line(int x1, int y1, int x2, int y2, TColor color) {
  const QColor qcolor = ToQColor(color);
  if (y1 == y2) {
    if (x1 != x2) {
      const int from = x1 < x2 ? x1 : x2 + 1;
      m_painter->fillRect(QRect(from, y1, std::abs(x2 - x1), 1), qcolor);
    }
    return;
  }
  if (x1 == x2) {
    const int from = y1 < y2 ? y1 : y2 + 1;
    m_painter->fillRect(QRect(x1, from, 1, std::abs(y2 - y1)), qcolor);
    return;
  }
  // Bresenham, without the end pixel.
  const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int error = dx + dy;
  while (x1 != x2 || y1 != y2) {
    m_painter->fillRect(QRect(x1, y1, 1, 1), qcolor);
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x1 += sx;
    }
    if (twice <= dx) {
      error += dx;
      y1 += sy;
    }
  }
}

void TCanvas::FrameRect(const TRect& rect, TColor color, int penWidth) {
  const int w = rect.Width(), h = rect.Height();
  if (w <= 0 || h <= 0 || penWidth <= 0)
    return;
  const QColor qcolor = ToQColor(color);
  const int p = std::min({penWidth, (w + 1) / 2, (h + 1) / 2});
  m_painter->fillRect(QRect(rect.Left, rect.Top, w, p), qcolor);
  m_painter->fillRect(QRect(rect.Left, rect.Bottom - p, w, p), qcolor);
  m_painter->fillRect(QRect(rect.Left, rect.Top, p, h), qcolor);
  m_painter->fillRect(QRect(rect.Right - p, rect.Top, p, h), qcolor);
}

void TCanvas::Draw(int x, int y, const QImage& image) {
  m_painter->drawImage(x, y, image);
}

int QtTextFlags(unsigned flags) {
  int qtFlags = 0;
  qtFlags |= (flags & tfCenter)  ? Qt::AlignHCenter
             : (flags & tfRight) ? Qt::AlignRight
                                 : Qt::AlignLeft;
  qtFlags |= (flags & tfVCenter) ? Qt::AlignVCenter : Qt::AlignTop;
  if (flags & tfSingleLine)
    qtFlags |= Qt::TextSingleLine;
  if (flags & tfWordBreak)
    qtFlags |= Qt::TextWordWrap;
  if (flags & tfExpandTabs)
    qtFlags |= Qt::TextExpandTabs;
  if (!(flags & tfNoPrefix))
    qtFlags |= Qt::TextShowMnemonic;
  return qtFlags;
}

TTextMeasure::TTextMeasure(const QFont& font)
    : m_metrics(PixelFont(font)), m_lineHeight(TextHeight(PixelFont(font))) {}

TRect TTextMeasure::Measure(const QString& text, const TRect& rect, unsigned flags) const {
  const QRect area(rect.Left, rect.Top, rect.Width(), rect.Height());
  const QRect needed = m_metrics.boundingRect(area, QtTextFlags(flags), text);
  const int lines = std::max(1, needed.height() / std::max(1, m_metrics.lineSpacing()));
  return {rect.Left, rect.Top, rect.Left + needed.width(), rect.Top + lines * m_lineHeight};
}

TRect TCanvas::DrawText(const QString& text, const TRect& rect, unsigned flags, const QFont& font,
                        TColor color) {
  if (flags & tfCalcRect)
    return TTextMeasure(font).Measure(text, rect, flags);
  const QFont drawn = PixelFont(font);
  m_painter->setFont(drawn);
  const QRect area(rect.Left, rect.Top, rect.Width(), rect.Height());
  m_painter->setPen(ToQColor(color));
  m_painter->drawText(area, QtTextFlags(flags), text);
  return rect;
}

QFont PixelFont(const QFont& font) {
  // Whole-pixel glyphs on whole-pixel advances, as on a classic screen.
  QFont pixel = font;
  pixel.setStyleStrategy(QFont::NoAntialias);
  pixel.setHintingPreference(QFont::PreferFullHinting);
  return pixel;
}

int TextHeight(const QFont& font) {
  // The height of a line as the font's designers set it for screens: the Windows ascent and
  // descent of its OS/2 table, each rounded to pixels. Layouts are measured in it (Tahoma at
  // 11 pixels: 13). Fonts without the table use the toolkit's own height.
  static thread_local QHash<QString, int> heights;
  const QString key = font.key();
  if (const auto found = heights.constFind(key); found != heights.constEnd())
    return *found;
  int height = QFontMetrics(font).height();
  const QRawFont raw = QRawFont::fromFont(font);
  const QByteArray os2 = raw.isValid() ? raw.fontTable("OS/2") : QByteArray();
  if (os2.size() >= 78 && raw.unitsPerEm() > 0) {
    const auto word = [&os2](int at) {
      return (static_cast<unsigned char>(os2[at]) << 8) | static_cast<unsigned char>(os2[at + 1]);
    };
    const double scale = raw.pixelSize() / raw.unitsPerEm();
    height = static_cast<int>(std::lround(word(74) * scale) + std::lround(word(76) * scale));
  }
  heights.insert(key, height);
  return height;
}

QSize TCanvas::TextExtent(const QString& text, const QFont& font) {
  const QFont measured = PixelFont(font);
  const QRect bounds =
      QFontMetrics(measured).boundingRect(QRect(0, 0, 1 << 20, 1 << 20), Qt::TextSingleLine, text);
  return {bounds.width(), TextHeight(measured)};
}

void TCanvas::ExcludeClip(const TRect& rect) {
  if (!m_clip)
    m_clip = QRegion(0, 0, m_width, m_height);
  *m_clip -= QRegion(rect.Left, rect.Top, rect.Width(), rect.Height());
  m_painter->setClipRegion(*m_clip);
}

void TCanvas::ClearClip() {
  m_clip.reset();
  m_painter->setClipping(false);
}

} // namespace controls
