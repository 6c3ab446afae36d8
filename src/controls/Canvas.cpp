#include "controls/Canvas.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QRawFont>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace controls {

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

namespace {

struct LineMetrics {
  int ascent = 0;
  int height = 0;
};

// The line as the font's designers set it for screens: the Windows ascent and descent of its
// OS/2 table, each rounded to pixels. Text is placed on that baseline and layouts are measured
// in that height (Tahoma at 11 pixels: 13), so accents above capitals stay inside the line.
// Fonts without the table use the toolkit's own metrics.
LineMetrics ScreenLineMetrics(const QFont& font) {
  static thread_local QHash<QString, LineMetrics> cache;
  const QString key = font.key();
  if (const auto found = cache.constFind(key); found != cache.constEnd())
    return *found;
  const QFontMetrics metrics(font);
  LineMetrics line{metrics.ascent(), metrics.height()};
  const QRawFont raw = QRawFont::fromFont(font);
  const QByteArray os2 = raw.isValid() ? raw.fontTable("OS/2") : QByteArray();
  if (os2.size() >= 78 && raw.unitsPerEm() > 0) {
    const auto word = [&os2](int at) {
      return (static_cast<unsigned char>(os2[at]) << 8) | static_cast<unsigned char>(os2[at + 1]);
    };
    const double scale = raw.pixelSize() / raw.unitsPerEm();
    line.ascent = static_cast<int>(std::lround(word(74) * scale));
    line.height = line.ascent + static_cast<int>(std::lround(word(76) * scale));
  }
  cache.insert(key, line);
  return line;
}

} // namespace

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
  const QFontMetrics metrics(drawn);
  const LineMetrics line = ScreenLineMetrics(drawn);
  // The lines are placed by the screen metrics, not the toolkit's: the first baseline lies
  // one screen ascent below the top of the text block, and a centred block is one screen line
  // per line high.
  const int horizontal = QtTextFlags(flags & ~tfVCenter) & ~Qt::AlignVertical_Mask;
  const QRect area(rect.Left, rect.Top, rect.Width(), rect.Height());
  int top = rect.Top;
  if (flags & tfVCenter) {
    const int lines = std::max(1, metrics.boundingRect(area, horizontal, text).height() /
                                      std::max(1, metrics.lineSpacing()));
    top = (rect.Top + rect.Bottom - lines * line.height) / 2;
  }
  top += line.ascent - metrics.ascent();
  m_painter->save();
  m_painter->setClipRect(area, m_painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  m_painter->setFont(drawn);
  m_painter->setPen(ToQColor(color));
  const qreal ratio = m_painter->device() ? m_painter->device()->devicePixelRatio() : 1.0;
  const int widening = static_cast<int>(std::lround(SyntheticBoldWidth(font) * ratio));
  const int textFlags = horizontal | Qt::AlignTop | Qt::TextDontClip;
  if (widening == 0) {
    m_painter->drawText(QRect(rect.Left, top, rect.Width(), rect.Bottom - top), textFlags, text);
  } else {
    // A synthetic bold: the regular letters drawn into a mask, widened there, then coloured.
    // The mask has room above for what reaches over the toolkit's ascent.
    const int above = metrics.height();
    const int needed = metrics.boundingRect(QRect(0, 0, rect.Width(), 1 << 16), horizontal, text)
                           .height();
    const int height = std::max({rect.Bottom - top, needed, 1}) + above;
    QImage mask(QSize(rect.Width(), height) * ratio, QImage::Format_ARGB32_Premultiplied);
    mask.setDevicePixelRatio(ratio);
    mask.fill(Qt::transparent);
    QPainter letters(&mask);
    letters.setFont(drawn);
    letters.setPen(Qt::black);
    letters.drawText(QRect(0, above, rect.Width(), height - above), textFlags, text);
    letters.end();
    WidenStrokes(mask, widening);
    QPainter colour(&mask);
    colour.setCompositionMode(QPainter::CompositionMode_SourceIn);
    colour.fillRect(QRect(0, 0, rect.Width(), height), ToQColor(color));
    colour.end();
    m_painter->drawImage(QPoint(rect.Left, top - above), mask);
  }
  m_painter->restore();
  return rect;
}

void WidenStrokes(QImage& mask, int pixels) {
  // Each step adds the pixel right of every inked one, as a second strike one pixel to the
  // right would, but never closes a one-pixel gap between two inks: the dots of "ü" and the
  // counters of small letters stay open.
  const int width = mask.width();
  std::vector<char> row(static_cast<std::size_t>(width) + 1);
  for (int step = 0; step < pixels; ++step) {
    for (int y = 0; y < mask.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(mask.scanLine(y));
      for (int x = 0; x < width; ++x)
        row[static_cast<std::size_t>(x)] = qAlpha(line[x]) > 127;
      for (int x = 1; x < width; ++x) {
        const auto at = static_cast<std::size_t>(x);
        if (!row[at] && row[at - 1] && !(x + 1 < width && row[at + 1]))
          line[x] = qRgba(0, 0, 0, 255);
      }
    }
  }
}

int SyntheticBoldWidth(const QFont& font) {
  if (font.weight() < QFont::DemiBold)
    return 0;
  static thread_local QHash<QString, bool> hasBoldFace;
  const QString family = font.family();
  auto found = hasBoldFace.constFind(family);
  if (found == hasBoldFace.constEnd()) {
    const QString resolved = QFontInfo(font).family();
    bool bold = false;
    for (const QString& style : QFontDatabase::styles(resolved))
      bold = bold || QFontDatabase::weight(resolved, style) >= QFont::DemiBold;
    found = hasBoldFace.insert(family, bold || QFontDatabase::styles(resolved).isEmpty());
  }
  if (*found)
    return 0;
  // One pixel at the window's sizes, as a classic screen draws bold; more for large text.
  const int size = font.pixelSize() > 0 ? font.pixelSize() : 13;
  return std::max(1, (size + 6) / 13);
}

QFont PixelFont(const QFont& font) {
  // Whole-pixel glyphs on whole-pixel advances, as on a classic screen. A family without a bold
  // face is drawn regular, each letter widened by the synthetic bold's extra strikes.
  QFont pixel = font;
  pixel.setStyleStrategy(QFont::NoAntialias);
  pixel.setHintingPreference(QFont::PreferFullHinting);
  if (const int extra = SyntheticBoldWidth(font)) {
    pixel.setWeight(QFont::Normal);
    pixel.setLetterSpacing(QFont::AbsoluteSpacing, extra);
  }
  return pixel;
}

int TextHeight(const QFont& font) {
  return ScreenLineMetrics(font).height;
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
