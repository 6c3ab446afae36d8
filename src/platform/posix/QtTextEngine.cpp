#include "platform/posix/QtTextEngine.h"

#include "platform/posix/WindowFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QRawFont>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace platform {

namespace {

// The line as the font's designers set it for screens: the Windows ascent and descent of its
// OS/2 table, each rounded to pixels. Text is placed on that baseline and layouts are measured
// in that height (Tahoma at 11 pixels: 13), so accents above capitals stay inside the line.
// Fonts without the table use the toolkit's own metrics.
TTextMetrics ScreenLineMetrics(const QFont& font) {
  const QFontMetrics metrics(font);
  TTextMetrics line{metrics.ascent(), metrics.height()};
  const QRawFont raw = QRawFont::fromFont(font);
  const QByteArray os2 = raw.isValid() ? raw.fontTable("OS/2") : QByteArray();
  if (os2.size() >= 78 && raw.unitsPerEm() > 0) {
    const auto word = [&os2](int at) {
      return (static_cast<unsigned char>(os2[at]) << 8) | static_cast<unsigned char>(os2[at + 1]);
    };
    const double scale = raw.pixelSize() / raw.unitsPerEm();
    line.Ascent = static_cast<int>(std::lround(word(74) * scale));
    line.Height = line.Ascent + static_cast<int>(std::lround(word(76) * scale));
  }
  return line;
}

// Everything the engine needs of one font, looked up once.
struct FontEntry {
  explicit FontEntry(const TFontSpec& font)
      : fontSpec(font), requested(ToQFont(font)), drawn(PixelFont(requested)), metrics(drawn),
        line(ScreenLineMetrics(drawn)), boldWidth(SyntheticBoldWidth(requested)) {}
  TFontSpec fontSpec;
  QFont requested;
  QFont drawn;
  QFontMetrics metrics;
  TTextMetrics line;
  int boldWidth;
};

class TQtTextEngine : public TTextEngine {
public:
  TTextMetrics Metrics(const TFontSpec& font) override { return Entry(font).line; }

  TRect Measure(const TFontSpec& font, std::string_view text, const TRect& rect,
                unsigned flags) override {
    const FontEntry& entry = Entry(font);
    const QRect area(rect.Left, rect.Top, rect.Width(), rect.Height());
    const QRect needed = entry.metrics.boundingRect(area, QtTextFlags(flags), Text(text));
    const int lines = std::max(1, needed.height() / std::max(1, entry.metrics.lineSpacing()));
    return {rect.Left, rect.Top, rect.Left + needed.width(), rect.Top + lines * entry.line.Height};
  }

  std::vector<std::uint8_t> Render(const TFontSpec& font, std::string_view utf8, const TRect& rect,
                                   unsigned flags, int dpi) override {
    if (dpi <= 0)
      return {};
    return RenderAt(dpi == BaseDpi ? font : DeviceFont(font, dpi), utf8,
                    {0, 0, rect.Width(), rect.Height()}, flags, 1);
  }

private:
  // The text laid out in `rect` (pixels), each pixel drawn `scale` x `scale`.
  std::vector<std::uint8_t> RenderAt(const TFontSpec& font, std::string_view utf8,
                                     const TRect& rect, unsigned flags, int scale);

  static QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  }

  const FontEntry& Entry(const TFontSpec& font) {
    if (m_last && m_last->fontSpec == font)
      return *m_last;
    for (const auto& entry : m_fonts) {
      if (entry->fontSpec == font)
        return *(m_last = entry.get());
    }
    // A program uses a handful of fonts; a caller that goes through many starts the list anew.
    if (m_fonts.size() >= 64)
      m_fonts.clear();
    m_fonts.push_back(std::make_unique<FontEntry>(font));
    return *(m_last = m_fonts.back().get());
  }

  std::vector<std::unique_ptr<FontEntry>> m_fonts;
  FontEntry* m_last = nullptr;
  QImage m_mask;
};

std::vector<std::uint8_t> TQtTextEngine::RenderAt(const TFontSpec& font, std::string_view utf8,
                                                  const TRect& rect, unsigned flags, int scale) {
  scale = std::max(scale, 1);
  const int width = std::max(rect.Width(), 0), height = std::max(rect.Height(), 0);
  std::vector<std::uint8_t> ink(static_cast<std::size_t>(width) * scale *
                                static_cast<std::size_t>(height) * scale);
  if (ink.empty())
    return ink;
  const FontEntry& entry = Entry(font);
  const QString text = Text(utf8);
  const QFontMetrics& metrics = entry.metrics;
  // The lines are placed by the screen metrics, not the toolkit's: the first baseline lies
  // one screen ascent below the top of the text block, and a centred block is one screen line
  // per line high.
  const int horizontal = QtTextFlags(flags & ~tfVCenter) & ~Qt::AlignVertical_Mask;
  const QRect area(rect.Left, rect.Top, rect.Width(), rect.Height());
  int top = rect.Top;
  if (flags & tfVCenter) {
    const int lines = std::max(1, metrics.boundingRect(area, horizontal, text).height() /
                                      std::max(1, metrics.lineSpacing()));
    top = (rect.Top + rect.Bottom - lines * entry.line.Height) / 2;
  }
  top += entry.line.Ascent - metrics.ascent();
  const int widening = static_cast<int>(std::lround(entry.boldWidth * scale));
  const int textFlags = horizontal | Qt::AlignTop | Qt::TextDontClip;
  // The mask spans the rectangle's width; a synthetic bold's mask also has room above for what
  // reaches over the toolkit's ascent, and below for every line, so that the widening sees
  // each letter whole.
  int maskTop = rect.Top;
  int maskHeight = height;
  QRect lines(0, top - rect.Top, width, rect.Bottom - top);
  if (widening > 0) {
    const int above = metrics.height();
    const int needed = metrics.boundingRect(QRect(0, 0, width, 1 << 16), horizontal, text).height();
    maskHeight = std::max({rect.Bottom - top, needed, 1}) + above;
    maskTop = top - above;
    lines = QRect(0, above, width, maskHeight - above);
  }
  // The mask is kept for the next text of the same size (a control draws the same rectangle
  // again and again).
  QImage& mask = m_mask;
  if (mask.size() != QSize(width, maskHeight) * scale)
    mask = QImage(QSize(width, maskHeight) * scale, QImage::Format_ARGB32_Premultiplied);
  mask.setDevicePixelRatio(scale);
  mask.fill(Qt::transparent);
  QPainter letters(&mask);
  letters.setRenderHint(QPainter::Antialiasing, false);
  letters.setRenderHint(QPainter::TextAntialiasing, false);
  letters.setFont(entry.drawn);
  letters.setPen(Qt::black);
  letters.drawText(lines, textFlags, text);
  letters.end();
  if (widening > 0)
    WidenStrokes(mask, widening);
  const int rowWidth = width * scale;
  const int skipped = (rect.Top - maskTop) * scale;
  for (int y = 0; y < height * scale; ++y) {
    const int from = y + skipped;
    if (from < 0 || from >= mask.height())
      continue;
    const auto* line = reinterpret_cast<const QRgb*>(mask.constScanLine(from));
    std::uint8_t* out = ink.data() + static_cast<std::size_t>(y) * rowWidth;
    for (int x = 0; x < rowWidth; ++x)
      out[x] = qAlpha(line[x]) > 127 ? 255 : 0;
  }
  return ink;
}

} // namespace

QFont ToQFont(const TFontSpec& fontSpec) {
  if (fontSpec.Name == "Tahoma")
    return WindowFont(fontSpec.Height, fontSpec.Bold, fontSpec.Underline);
  QFont font(QString::fromStdString(fontSpec.Name));
  font.setPixelSize(std::max(fontSpec.Height, 1));
  font.setBold(fontSpec.Bold);
  font.setUnderline(fontSpec.Underline);
  font.setStyleStrategy(QFont::NoAntialias);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

TFontSpec ToFontSpec(const QFont& font) {
  return {font.family().toStdString(),
          font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize(),
          font.weight() >= QFont::DemiBold, font.underline()};
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

TTextEngine& TextEngine() {
  // Never destroyed: its fonts must not outlive the application object at exit.
  static TQtTextEngine* const engine = new TQtTextEngine;
  return *engine;
}

} // namespace platform
