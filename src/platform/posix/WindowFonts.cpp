#include "platform/posix/WindowFonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QRawFont>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <optional>

namespace platform {

namespace {

// A TrueType file's big-endian fields, bounds-checked.
class FontBytes {
public:
  explicit FontBytes(QByteArray& data) : m_data(data) {}
  bool Has(qsizetype at, qsizetype size) const { return at >= 0 && at + size <= m_data.size(); }
  std::uint32_t U16(qsizetype at) const {
    return (Byte(at) << 8) | Byte(at + 1);
  }
  std::int32_t S16(qsizetype at) const { return static_cast<std::int16_t>(U16(at)); }
  std::uint32_t U32(qsizetype at) const { return (U16(at) << 16) | U16(at + 2); }
  void SetU16(qsizetype at, std::uint32_t value) {
    m_data[at] = static_cast<char>((value >> 8) & 0xFF);
    m_data[at + 1] = static_cast<char>(value & 0xFF);
  }
  QByteArray& Data() { return m_data; }

private:
  std::uint32_t Byte(qsizetype at) const { return static_cast<unsigned char>(m_data[at]); }
  QByteArray& m_data;
};

struct Table {
  qsizetype entry = 0; // the table's record in the directory
  qsizetype offset = 0;
  qsizetype length = 0;
};

std::optional<Table> FindTable(const FontBytes& font, const char* tag) {
  const qsizetype count = font.U16(4);
  for (qsizetype i = 0; i < count; ++i) {
    const qsizetype entry = 12 + 16 * i;
    if (!font.Has(entry, 16))
      return std::nullopt;
    if (font.U32(entry) == (std::uint32_t(tag[0]) << 24 | std::uint32_t(tag[1]) << 16 |
                            std::uint32_t(tag[2]) << 8 | std::uint32_t(tag[3]))) {
      const Table table{entry, font.U32(entry + 8), font.U32(entry + 12)};
      if (!font.Has(table.offset, table.length))
        return std::nullopt;
      return table;
    }
  }
  return std::nullopt;
}

struct GlyphSpan {
  qsizetype offset = 0; // from the start of the file
  qsizetype length = 0;
};

std::optional<GlyphSpan> FindGlyph(const FontBytes& font, unsigned glyph) {
  const auto head = FindTable(font, "head");
  const auto loca = FindTable(font, "loca");
  const auto glyf = FindTable(font, "glyf");
  if (!head || !loca || !glyf || head->length < 54)
    return std::nullopt;
  const bool longOffsets = font.S16(head->offset + 50) == 1;
  const qsizetype width = longOffsets ? 4 : 2;
  const qsizetype at = loca->offset + width * glyph;
  if (at + 2 * width > loca->offset + loca->length)
    return std::nullopt;
  const auto read = [&](qsizetype where) -> qsizetype {
    return longOffsets ? qsizetype(font.U32(where)) : 2 * qsizetype(font.U16(where));
  };
  const qsizetype start = read(at), end = read(at + width);
  if (end < start || end > glyf->length)
    return std::nullopt;
  return GlyphSpan{glyf->offset + start, end - start};
}

struct Box {
  int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

std::optional<Box> GlyphBox(const FontBytes& font, const GlyphSpan& glyph) {
  if (glyph.length < 10)
    return std::nullopt;
  return Box{font.S16(glyph.offset + 2), font.S16(glyph.offset + 4), font.S16(glyph.offset + 6),
             font.S16(glyph.offset + 8)};
}

// Rewrites the dotted capital I as the font's capital I with its dot accent centred above it,
// at the height of the dot it had; in place, as a composite glyph is shorter than the outline.
void RebuildDottedCapitalI(FontBytes& font) {
  const QRawFont raw(font.Data(), 12);
  if (!raw.isValid())
    return;
  const QList<quint32> glyphs = raw.glyphIndexesForString(QStringLiteral("I\u0130\u02D9"));
  if (glyphs.size() != 3 || glyphs.contains(0u))
    return;
  const auto plain = FindGlyph(font, glyphs[0]);
  const auto dotted = FindGlyph(font, glyphs[1]);
  const auto dot = FindGlyph(font, glyphs[2]);
  if (!plain || !dotted || !dot)
    return;
  const auto plainBox = GlyphBox(font, *plain);
  const auto dottedBox = GlyphBox(font, *dotted);
  const auto dotBox = GlyphBox(font, *dot);
  constexpr qsizetype compositeSize = 10 + 2 * 8;
  if (!plainBox || !dottedBox || !dotBox || dotted->length < compositeSize ||
      font.S16(dotted->offset) < 0)
    return;
  const int dx = (plainBox->xMin + plainBox->xMax - dotBox->xMin - dotBox->xMax) / 2;
  const int dy = dottedBox->yMax - dotBox->yMax;
  enum : std::uint32_t {
    argsAreWords = 0x1,
    argsAreXY = 0x2,
    roundToGrid = 0x4,
    moreComponents = 0x20,
    useMyMetrics = 0x200
  };
  const qsizetype at = dotted->offset;
  font.SetU16(at, 0xFFFF); // a composite
  font.SetU16(at + 2, static_cast<std::uint16_t>(std::min(plainBox->xMin, dotBox->xMin + dx)));
  font.SetU16(at + 4, static_cast<std::uint16_t>(plainBox->yMin));
  font.SetU16(at + 6, static_cast<std::uint16_t>(std::max(plainBox->xMax, dotBox->xMax + dx)));
  font.SetU16(at + 8, static_cast<std::uint16_t>(std::max(plainBox->yMax, dotBox->yMax + dy)));
  const auto component = [&](qsizetype where, std::uint32_t flags, quint32 glyph, int x, int y) {
    font.SetU16(where, flags | argsAreWords | argsAreXY | roundToGrid);
    font.SetU16(where + 2, glyph);
    font.SetU16(where + 4, static_cast<std::uint16_t>(x));
    font.SetU16(where + 6, static_cast<std::uint16_t>(y));
  };
  component(at + 10, moreComponents | useMyMetrics, glyphs[0], 0, 0);
  component(at + 18, 0, glyphs[2], dx, dy);
  for (qsizetype i = at + compositeSize; i < at + dotted->length; ++i)
    font.Data()[i] = 0;
  // The font had no composite glyphs: its profile must now allow one of two components.
  if (const auto maxp = FindTable(font, "maxp"); maxp && maxp->length >= 32) {
    font.SetU16(maxp->offset + 28, std::max<std::uint32_t>(font.U16(maxp->offset + 28), 2));
    font.SetU16(maxp->offset + 30, std::max<std::uint32_t>(font.U16(maxp->offset + 30), 1));
    // Room for the two components' points and contours, generously.
    for (const qsizetype field : {10, 12})
      font.SetU16(maxp->offset + field,
                  std::max<std::uint32_t>(font.U16(maxp->offset + field),
                                          std::min<std::uint32_t>(0xFFFF,
                                                                  2 * font.U16(maxp->offset + field - 4))));
  }
}

} // namespace

QByteArray OutlineOnlyFont(QByteArray data) {
  FontBytes font(data);
  if (!font.Has(0, 12) || font.U32(0) != 0x00010000 || !font.Has(12, 16 * font.U16(4)))
    return data;
  // Renamed, the bitmap tables are unknown to the rasteriser, which then draws every size and
  // every glyph from the outlines.
  for (const char* tag : {"EBLC", "EBDT", "EBSC"})
    if (const auto table = FindTable(font, tag))
      data[table->entry] = 'x';
  RebuildDottedCapitalI(font);
  return data;
}

bool RegisterWindowFonts() {
  // Only the regular face: the bold file's outlines are the regular ones, and its bitmaps
  // cover only some sizes and letters. The drawing kit makes bold from the regular face.
  static const bool registered = [] {
    QFile file(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    if (!file.open(QIODevice::ReadOnly))
      return false;
    return QFontDatabase::addApplicationFontFromData(OutlineOnlyFont(file.readAll())) >= 0;
  }();
  return registered;
}

QFont WindowFont(int pixelSize, bool bold, bool underline) {
  QFont font(RegisterWindowFonts() ? QStringLiteral("Tahoma") : QStringLiteral("Sans Serif"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setUnderline(underline);
  font.setStyleStrategy(QFont::NoAntialias);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

} // namespace platform
