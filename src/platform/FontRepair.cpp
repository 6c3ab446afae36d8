#include "platform/FontRepair.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

namespace {

using Offset = std::int64_t;

// A TrueType file's big-endian fields, bounds-checked by the caller through Has.
class FontBytes {
public:
  explicit FontBytes(std::string_view data) : m_data(data) {}
  bool Has(Offset at, Offset size) const {
    return at >= 0 && size >= 0 && at + size <= static_cast<Offset>(m_data.size());
  }
  std::uint32_t U16(Offset at) const { return (Byte(at) << 8) | Byte(at + 1); }
  std::int32_t S16(Offset at) const { return static_cast<std::int16_t>(U16(at)); }
  std::uint32_t U32(Offset at) const { return (U16(at) << 16) | U16(at + 2); }
  // A TrueType font with its whole table directory.
  bool IsFont() const { return Has(0, 12) && U32(0) == 0x00010000 && Has(12, 16 * U16(4)); }

private:
  std::uint32_t Byte(Offset at) const {
    return static_cast<unsigned char>(m_data[static_cast<std::size_t>(at)]);
  }
  std::string_view m_data;
};

void SetU16(std::string& data, Offset at, std::uint32_t value) {
  data[static_cast<std::size_t>(at)] = static_cast<char>((value >> 8) & 0xFF);
  data[static_cast<std::size_t>(at) + 1] = static_cast<char>(value & 0xFF);
}

void SetU32(std::string& data, Offset at, std::uint32_t value) {
  SetU16(data, at, value >> 16);
  SetU16(data, at + 2, value & 0xFFFF);
}

struct Table {
  Offset entry = 0; // the table's record in the directory
  Offset offset = 0;
  Offset length = 0;
};

constexpr std::uint32_t Tag(const char* tag) {
  return std::uint32_t(static_cast<unsigned char>(tag[0])) << 24 |
         std::uint32_t(static_cast<unsigned char>(tag[1])) << 16 |
         std::uint32_t(static_cast<unsigned char>(tag[2])) << 8 |
         std::uint32_t(static_cast<unsigned char>(tag[3]));
}

std::optional<Table> FindTable(const FontBytes& font, const char* tag) {
  if (!font.IsFont())
    return std::nullopt;
  const Offset count = font.U16(4);
  for (Offset i = 0; i < count; ++i) {
    const Offset entry = 12 + 16 * i;
    if (font.U32(entry) == Tag(tag)) {
      const Table table{entry, font.U32(entry + 8), font.U32(entry + 12)};
      if (!font.Has(table.offset, table.length))
        return std::nullopt;
      return table;
    }
  }
  return std::nullopt;
}

// The glyph of a character in the font's Unicode map of segments; 0 (the missing glyph) when
// it has none.
unsigned GlyphOf(const FontBytes& font, std::uint32_t character) {
  const auto cmap = FindTable(font, "cmap");
  if (!cmap || cmap->length < 4 || character > 0xFFFF)
    return 0;
  const Offset count = font.U16(cmap->offset + 2);
  for (Offset i = 0; i < count; ++i) {
    const Offset record = cmap->offset + 4 + 8 * i;
    if (!font.Has(record, 8))
      return 0;
    const std::uint32_t platformId = font.U16(record), encoding = font.U16(record + 2);
    if (!(platformId == 3 && encoding == 1) && platformId != 0)
      continue;
    const Offset at = cmap->offset + font.U32(record + 4);
    if (!font.Has(at, 14) || font.U16(at) != 4)
      continue;
    const Offset segments = font.U16(at + 6) / 2;
    const Offset ends = at + 14, starts = ends + 2 * segments + 2;
    const Offset deltas = starts + 2 * segments, ranges = deltas + 2 * segments;
    if (!font.Has(ends, 8 * segments + 2))
      continue;
    for (Offset s = 0; s < segments; ++s) {
      if (character > font.U16(ends + 2 * s) || character < font.U16(starts + 2 * s))
        continue;
      const std::uint32_t delta = font.U16(deltas + 2 * s);
      const std::uint32_t range = font.U16(ranges + 2 * s);
      if (range == 0)
        return (character + delta) & 0xFFFF;
      const Offset where = ranges + 2 * s + range + 2 * (character - font.U16(starts + 2 * s));
      if (!font.Has(where, 2))
        return 0;
      const std::uint32_t glyph = font.U16(where);
      return glyph == 0 ? 0 : (glyph + delta) & 0xFFFF;
    }
  }
  return 0;
}

struct GlyphSpan {
  Offset offset = 0; // from the start of the file
  Offset length = 0;
};

std::optional<GlyphSpan> FindGlyph(const FontBytes& font, unsigned glyph) {
  const auto head = FindTable(font, "head");
  const auto loca = FindTable(font, "loca");
  const auto glyf = FindTable(font, "glyf");
  if (!head || !loca || !glyf || head->length < 54)
    return std::nullopt;
  const bool longOffsets = font.S16(head->offset + 50) == 1;
  const Offset width = longOffsets ? 4 : 2;
  const Offset at = loca->offset + width * glyph;
  if (at + 2 * width > loca->offset + loca->length)
    return std::nullopt;
  const auto read = [&](Offset where) -> Offset {
    return longOffsets ? Offset(font.U32(where)) : 2 * Offset(font.U16(where));
  };
  const Offset start = read(at), end = read(at + width);
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
void RebuildDottedCapitalI(std::string& data) {
  const FontBytes font(data);
  const unsigned glyphs[] = {GlyphOf(font, 0x49), GlyphOf(font, 0x130), GlyphOf(font, 0x2D9)};
  if (std::find(std::begin(glyphs), std::end(glyphs), 0u) != std::end(glyphs))
    return;
  const auto plain = FindGlyph(font, glyphs[0]);
  const auto dotted = FindGlyph(font, glyphs[1]);
  const auto dot = FindGlyph(font, glyphs[2]);
  if (!plain || !dotted || !dot)
    return;
  const auto plainBox = GlyphBox(font, *plain);
  const auto dottedBox = GlyphBox(font, *dotted);
  const auto dotBox = GlyphBox(font, *dot);
  constexpr Offset compositeSize = 10 + 2 * 8;
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
  const Offset at = dotted->offset;
  SetU16(data, at, 0xFFFF); // a composite
  SetU16(data, at + 2, static_cast<std::uint16_t>(std::min(plainBox->xMin, dotBox->xMin + dx)));
  SetU16(data, at + 4, static_cast<std::uint16_t>(plainBox->yMin));
  SetU16(data, at + 6, static_cast<std::uint16_t>(std::max(plainBox->xMax, dotBox->xMax + dx)));
  SetU16(data, at + 8, static_cast<std::uint16_t>(std::max(plainBox->yMax, dotBox->yMax + dy)));
  const auto component = [&](Offset where, std::uint32_t flags, unsigned glyph, int x, int y) {
    SetU16(data, where, flags | argsAreWords | argsAreXY | roundToGrid);
    SetU16(data, where + 2, glyph);
    SetU16(data, where + 4, static_cast<std::uint16_t>(x));
    SetU16(data, where + 6, static_cast<std::uint16_t>(y));
  };
  component(at + 10, moreComponents | useMyMetrics, glyphs[0], 0, 0);
  component(at + 18, 0, glyphs[2], dx, dy);
  std::fill(data.begin() + at + compositeSize, data.begin() + at + dotted->length, '\0');
  // The font had no composite glyphs: its profile must now allow one of two components.
  if (const auto maxp = FindTable(font, "maxp"); maxp && maxp->length >= 32) {
    SetU16(data, maxp->offset + 28, std::max<std::uint32_t>(font.U16(maxp->offset + 28), 2));
    SetU16(data, maxp->offset + 30, std::max<std::uint32_t>(font.U16(maxp->offset + 30), 1));
    // Room for the two components' points and contours, generously.
    for (const Offset field : {10, 12})
      SetU16(data, maxp->offset + field,
             std::max<std::uint32_t>(
                 font.U16(maxp->offset + field),
                 std::min<std::uint32_t>(0xFFFF, 2 * font.U16(maxp->offset + field - 4))));
  }
}

std::uint32_t Checksum(std::string_view table) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < table.size(); i += 4) {
    std::uint32_t word = 0;
    for (std::size_t b = 0; b < 4; ++b)
      word = word << 8 | (i + b < table.size() ? static_cast<unsigned char>(table[i + b]) : 0u);
    sum += word;
  }
  return sum;
}

struct NameRecord {
  std::uint32_t platformId, encoding, language, nameId;
  std::string text; // as stored
};

std::optional<std::vector<NameRecord>> NameRecords(const FontBytes& font, std::string_view data) {
  const auto name = FindTable(font, "name");
  if (!name || name->length < 6)
    return std::nullopt;
  const Offset count = font.U16(name->offset + 2);
  const Offset strings = name->offset + font.U16(name->offset + 4);
  if (!font.Has(name->offset + 6, 12 * count))
    return std::nullopt;
  std::vector<NameRecord> records;
  for (Offset i = 0; i < count; ++i) {
    const Offset record = name->offset + 6 + 12 * i;
    const Offset length = font.U16(record + 8), at = strings + font.U16(record + 10);
    if (!font.Has(at, length) || at + length > name->offset + name->length)
      continue;
    records.push_back(
        {font.U16(record), font.U16(record + 2), font.U16(record + 4), font.U16(record + 6),
         std::string(data.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(length)))});
  }
  return records;
}

bool IsUtf16(const NameRecord& record) {
  return record.platformId == 0 || record.platformId == 3;
}

} // namespace

std::string OutlineOnlyFont(std::string data) {
  const FontBytes font(data);
  if (!font.IsFont())
    return data;
  // Renamed, the bitmap tables are unknown to the rasteriser, which then draws every size and
  // every glyph from the outlines.
  for (const char* tag : {"EBLC", "EBDT", "EBSC"})
    if (const auto table = FindTable(font, tag))
      data[static_cast<std::size_t>(table->entry)] = 'x';
  RebuildDottedCapitalI(data);
  return data;
}

std::string RenamedFont(std::string data, std::string_view family) {
  const FontBytes font(data);
  const auto name = FindTable(font, "name");
  const auto records = NameRecords(font, data);
  if (!name || !records)
    return data;
  // The new table goes at the end of the file, with its directory record pointing at it; the
  // old one stays where it was, unreferenced.
  std::string strings, table(6 + 12 * records->size(), '\0');
  SetU16(table, 2, static_cast<std::uint32_t>(records->size()));
  SetU16(table, 4, static_cast<std::uint32_t>(table.size()));
  for (std::size_t i = 0; i < records->size(); ++i) {
    const NameRecord& record = (*records)[i];
    std::string text = record.text;
    if (record.nameId == 1 || record.nameId == 4 || record.nameId == 16) {
      text.clear();
      for (const char c : family) {
        if (IsUtf16(record))
          text.push_back('\0');
        text.push_back(c);
      }
    }
    const Offset at = 6 + 12 * static_cast<Offset>(i);
    SetU16(table, at, record.platformId);
    SetU16(table, at + 2, record.encoding);
    SetU16(table, at + 4, record.language);
    SetU16(table, at + 6, record.nameId);
    SetU16(table, at + 8, static_cast<std::uint32_t>(text.size()));
    SetU16(table, at + 10, static_cast<std::uint32_t>(strings.size()));
    strings += text;
  }
  table += strings;
  if (table.size() > 0xFFFF)
    return data;
  data.resize((data.size() + 3) / 4 * 4, '\0');
  const auto offset = static_cast<std::uint32_t>(data.size());
  SetU32(data, name->entry + 4, Checksum(table));
  SetU32(data, name->entry + 8, offset);
  SetU32(data, name->entry + 12, static_cast<std::uint32_t>(table.size()));
  data += table;
  data.resize((data.size() + 3) / 4 * 4, '\0');
  return data;
}

std::string PostScriptName(std::string_view data) {
  const FontBytes font(data);
  const auto records = NameRecords(font, data);
  if (!records)
    return {};
  for (const NameRecord& record : *records) {
    if (record.nameId != 6)
      continue;
    std::string text;
    for (std::size_t i = IsUtf16(record) ? 1 : 0; i < record.text.size();
         i += IsUtf16(record) ? 2 : 1)
      text.push_back(record.text[i]);
    return text;
  }
  return {};
}

bool HasEmbeddedBitmaps(std::string_view data) {
  const FontBytes font(data);
  return FindTable(font, "EBLC").has_value() && FindTable(font, "EBDT").has_value();
}

} // namespace platform
