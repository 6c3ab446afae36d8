// Repairs of a font file's bytes, checked on the Tahoma files of fonts-wine and on data that is
// no font; the repaired files are read back with the toolkit's own font reader.
#include "platform/FontRepair.h"

#include <QByteArray>
#include <QRawFont>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace {

using namespace platform;

std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

QRawFont Raw(const std::string& data) {
  return QRawFont(QByteArray(data.data(), static_cast<qsizetype>(data.size())), 12,
                  QFont::PreferFullHinting);
}

struct FontFile {
  const char* path;
  const char* postScriptName;
};
const FontFile WineTahoma[] = {{"/usr/share/wine/fonts/tahoma.ttf", "WineTahoma"},
                               {"/usr/share/wine/fonts/tahomabd.ttf", "WineTahomaBold"}};

TEST(FontRepair, DataThatIsNoFontComesBackUnchanged) {
  for (const std::string& data :
       {std::string(), std::string("not a font at all"), std::string("\x00\x01\x00\x00\x00\x7F", 6),
        // A directory that claims a table beyond the end of the data.
        std::string("\x00\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00"
                    "name\x00\x00\x00\x00\x00\x00\x10\x00\x00\x00\x10\x00",
                    28)}) {
    EXPECT_EQ(OutlineOnlyFont(data), data);
    EXPECT_EQ(RenamedFont(data, "Other"), data);
    EXPECT_EQ(PostScriptName(data), "");
    EXPECT_FALSE(HasEmbeddedBitmaps(data));
  }
}

TEST(FontRepair, WinesTahomaLosesItsBitmapsAndKeepsEveryGlyph) {
  for (const FontFile& file : WineTahoma) {
    SCOPED_TRACE(file.path);
    const std::string data = ReadFile(file.path);
    if (data.empty())
      GTEST_SKIP() << "fonts-wine's Tahoma is not installed";
    EXPECT_EQ(PostScriptName(data), file.postScriptName);
    EXPECT_TRUE(HasEmbeddedBitmaps(data));

    const std::string repaired = OutlineOnlyFont(data);
    EXPECT_EQ(repaired.size(), data.size());
    EXPECT_FALSE(HasEmbeddedBitmaps(repaired));
    EXPECT_EQ(PostScriptName(repaired), file.postScriptName);
    const QRawFont before = Raw(data), after = Raw(repaired);
    ASSERT_TRUE(after.isValid());
    const QString text = QStringLiteral("Dosya İndirme Sayfası ĞğŞşıÜüÖöÇç");
    EXPECT_EQ(after.glyphIndexesForString(text), before.glyphIndexesForString(text));
    // Only the dotted capital I changed shape: now the plain I with a dot above it.
    const auto glyph = [](const QRawFont& font, const char16_t* letter) {
      return font.glyphIndexesForString(QString::fromUtf16(letter)).value(0);
    };
    const QRectF plain = after.boundingRect(glyph(after, u"I"));
    const QRectF dotted = after.boundingRect(glyph(after, u"\u0130"));
    EXPECT_EQ(dotted.left(), plain.left());
    EXPECT_EQ(dotted.right(), plain.right());
    EXPECT_EQ(dotted.bottom(), plain.bottom());
    EXPECT_LT(dotted.top(), plain.top());
    EXPECT_NE(before.boundingRect(glyph(before, u"\u0130")).right(), plain.right());
    EXPECT_EQ(after.boundingRect(glyph(after, u"G")), before.boundingRect(glyph(before, u"G")));
  }
}

TEST(FontRepair, ARenamedFontHasTheNewFamilyAndKeepsItsGlyphs) {
  for (const FontFile& file : WineTahoma) {
    SCOPED_TRACE(file.path);
    const std::string data = ReadFile(file.path);
    if (data.empty())
      GTEST_SKIP() << "fonts-wine's Tahoma is not installed";
    const std::string renamed = RenamedFont(OutlineOnlyFont(data), "Kolvarin Private");
    const QRawFont font = Raw(renamed);
    ASSERT_TRUE(font.isValid());
    EXPECT_EQ(font.familyName(), QStringLiteral("Kolvarin Private"));
    EXPECT_EQ(PostScriptName(renamed), file.postScriptName);
    EXPECT_FALSE(HasEmbeddedBitmaps(renamed));
    EXPECT_EQ(renamed.size() % 4, 0u);
    const QString text = QStringLiteral("Güncelleme Durum Bilgileri");
    const auto glyphs = font.glyphIndexesForString(text);
    EXPECT_EQ(glyphs, Raw(data).glyphIndexesForString(text));
    EXPECT_EQ(font.advancesForGlyphIndexes(glyphs), Raw(data).advancesForGlyphIndexes(glyphs));
  }
}

} // namespace
