#include "controls/Canvas.h"
#include "controls/Colors.h"
#include "platform/posix/QtTextEngine.h"
#include "platform/posix/WindowFonts.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>

namespace {

using namespace controls;
using platform::OutlineOnlyFont;
using platform::PixelFont;
using platform::RegisterWindowFonts;
using platform::WidenStrokes;
using platform::WindowFont;

// `text` drawn black on white in `font` at the top left of an image, `scale` device pixels to
// one pixel of the layout (2 on a display scaled ×2).
QImage Drawn(const QString& text, const QFont& font, int scale) {
  using platform::ToFontSpec;
  platform::TBitmap image(400 * scale, 24 * scale, 0xFFFFFFFFu);
  TCanvas canvas(image, 96 * scale);
  canvas.DrawText(text.toStdString(), {0, 0, 400, 24}, tfLeft | tfNoPrefix, ToFontSpec(font),
                  clBlack);
  return QImage(reinterpret_cast<const uchar*>(image.Bits()), image.Width(), image.Height(),
                image.Stride(), QImage::Format_RGB32)
      .copy();
}

bool Ink(const QImage& image, int x, int y) {
  return qGray(image.pixel(x, y)) < 128;
}

// The first and last row with ink, or {-1, -1}.
std::pair<int, int> InkRows(const QImage& image) {
  int first = -1, last = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (Ink(image, x, y)) {
        if (first < 0)
          first = y;
        last = y;
        break;
      }
  return {first, last};
}

// The share of the horizontal runs of ink in the letters' bodies (the lower half of the inked
// rows, below the accents) that are narrower than `least` device pixels.
double ThinStrokeShare(const QImage& image, int least) {
  int runs = 0, thin = 0;
  const auto [first, last] = InkRows(image);
  for (int y = first + (last - first) / 2; y >= 0 && y <= last; ++y) {
    int run = 0;
    for (int x = 0; x <= image.width(); ++x) {
      if (x < image.width() && Ink(image, x, y)) {
        ++run;
      } else if (run > 0) {
        ++runs;
        thin += run < least;
        run = 0;
      }
    }
  }
  return runs ? double(thin) / runs : 0.0;
}

struct Face {
  int pixelSize;
  bool bold;
};

// The window's faces: the status line, the captions and their values, the group boxes.
const Face Faces[] = {{13, true}, {12, true}, {12, false}, {11, true}, {11, false}};

class WindowText : public testing::TestWithParam<int> {
protected:
  void SetUp() override {
    if (!RegisterWindowFonts())
      GTEST_SKIP() << "fonts-wine's Tahoma is not installed";
  }
};

TEST_P(WindowText, BoldStrokesAreAtLeastTwoPixelsWide) {
  const int scale = GetParam();
  for (const QString& text :
       {QStringLiteral("Program sürümü kontrol ediliyor..."),
        QStringLiteral("Kullandığınız Sürüm Güncel.."), QStringLiteral("İndirilen Boyut :"),
        QStringLiteral("Yükleme İşlemi Tamamlandı..."), QStringLiteral("Mevcut Sürüm :")}) {
    for (const Face& face : Faces) {
      if (!face.bold)
        continue;
      const QImage image = Drawn(text, WindowFont(face.pixelSize, true), scale);
      // Two pixels of the layout; on a display scaled ×2 at least three device pixels (the
      // regular face's thinnest parts are one). A stroke beside a one-pixel gap (inside "m",
      // between the dots of "ü") stays thinner, so that the gap stays open.
      const int least = scale + 1;
      EXPECT_LT(ThinStrokeShare(image, least), 0.1)
          << text.toStdString() << " at " << face.pixelSize << " px";
      // The regular face of the same size is drawn with thin strokes.
      EXPECT_GT(ThinStrokeShare(Drawn(text, WindowFont(face.pixelSize), scale), least), 0.5)
          << text.toStdString() << " at " << face.pixelSize << " px";
    }
  }
}

// Each Turkish letter is its base letter and a mark from the same face: where the base letter
// (or the dotless one) has ink, the two are drawn alike, and both advance by the same width.
TEST_P(WindowText, TurkishLettersAreTheirBaseLettersOfTheSameFace) {
  const int scale = GetParam();
  const std::pair<QString, QString> pairs[] = {
      {QStringLiteral("İ"), QStringLiteral("I")}, {QStringLiteral("ı"), QStringLiteral("i")},
      {QStringLiteral("ğ"), QStringLiteral("g")}, {QStringLiteral("Ğ"), QStringLiteral("G")},
      {QStringLiteral("ş"), QStringLiteral("s")}, {QStringLiteral("Ş"), QStringLiteral("S")},
      {QStringLiteral("ç"), QStringLiteral("c")}, {QStringLiteral("Ç"), QStringLiteral("C")},
      {QStringLiteral("ö"), QStringLiteral("o")}, {QStringLiteral("Ö"), QStringLiteral("O")},
      {QStringLiteral("ü"), QStringLiteral("u")}, {QStringLiteral("Ü"), QStringLiteral("U")}};
  for (const Face& face : Faces) {
    const QFont font = WindowFont(face.pixelSize, face.bold);
    const QFontMetrics metrics(PixelFont(font));
    for (const auto& [letter, base] : pairs) {
      const std::string what = letter.toStdString() + " at " + std::to_string(face.pixelSize) +
                               (face.bold ? " px bold" : " px");
      EXPECT_EQ(metrics.horizontalAdvance(letter), metrics.horizontalAdvance(base)) << what;
      // Beside its neighbours: the letter inside a word sits where the word's advance says.
      const QString word = QStringLiteral("n") + letter + QStringLiteral("n");
      EXPECT_EQ(metrics.horizontalAdvance(word),
                2 * metrics.horizontalAdvance(QStringLiteral("n")) +
                    metrics.horizontalAdvance(letter))
          << what;
      // The font draws "ç" and "Ç" as letters of their own, hinted unlike "c" and "C".
      // At ×2 the outlines of "ı" and "i" sit a device pixel apart; only the advances are
      // compared there.
      if (letter == QStringLiteral("ç") || letter == QStringLiteral("Ç") || scale != 1)
        continue;
      const QImage marked = Drawn(letter, font, scale);
      const QImage plain = Drawn(base, font, scale);
      const auto markedRows = InkRows(marked), plainRows = InkRows(plain);
      const auto rows = (markedRows.second - markedRows.first < plainRows.second - plainRows.first)
                            ? markedRows
                            : plainRows;
      ASSERT_GE(rows.first, 0) << what;
      int differing = 0;
      // The bottom row of the letter is left out: a cedilla joins the letter there.
      for (int y = rows.first; y < rows.second - scale + 1; ++y)
        for (int x = 0; x < marked.width(); ++x)
          differing += Ink(marked, x, y) != Ink(plain, x, y);
      // One pixel of hinting apart at most (the breve of "Ğ" at 11 pixels touches the letter).
      EXPECT_LE(differing, 1) << what;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scales, WindowText, testing::Values(1, 2),
                         [](const auto& info) { return "x" + std::to_string(info.param); });

// One row of a text mask, '#' for ink, widened by `pixels`.
std::string Widened(const std::string& row, int pixels) {
  QImage mask(static_cast<int>(row.size()), 1, QImage::Format_ARGB32_Premultiplied);
  for (int x = 0; x < mask.width(); ++x)
    mask.setPixel(x, 0, row[static_cast<std::size_t>(x)] == '#' ? qRgba(0, 0, 0, 255) : 0);
  WidenStrokes(mask, pixels);
  std::string result;
  for (int x = 0; x < mask.width(); ++x)
    result += qAlpha(mask.pixel(x, 0)) > 127 ? '#' : '.';
  return result;
}

TEST(SyntheticBold, StrokesGrowRightButOnePixelGapsStayOpen) {
  const std::tuple<const char*, int, const char*> cases[] = {
      {".#....", 1, ".##..."},   // a one-pixel stem becomes two
      {".##...", 1, ".###.."},   // every stroke grows by the same pixel
      {".#.#...", 1, ".#.##.."}, // the dots of "ü" stay apart
      {".#..#..", 1, ".##.##."}, // a wider gap narrows
      {".#.....", 2, ".###..."}, // ×2: two device pixels
      {".#..#....", 2, ".##.###.."}, {"......#", 1, "......#"}, // nothing past the edge
  };
  for (const auto& [row, pixels, expected] : cases)
    EXPECT_EQ(Widened(row, pixels), expected) << row << " by " << pixels;
}

// The window's fonts and the names the kit gives them are one and the same, both ways.
TEST(WindowFontSpec, TheWindowsFontsAreTahomaSpecs) {
  if (!RegisterWindowFonts())
    GTEST_SKIP() << "fonts-wine's Tahoma is not installed";
  for (const Face& face : Faces) {
    for (const bool underline : {false, true}) {
      const platform::TFontSpec fontSpec{"Tahoma", face.pixelSize, face.bold, underline};
      const QFont font = WindowFont(face.pixelSize, face.bold, underline);
      EXPECT_EQ(platform::ToFontSpec(font), fontSpec)
          << face.pixelSize << (face.bold ? " bold" : "");
      EXPECT_EQ(platform::ToQFont(fontSpec), font) << face.pixelSize << (face.bold ? " bold" : "");
    }
  }
  // A font given in points has its size in pixels.
  QFont points(QStringLiteral("Tahoma"));
  points.setPointSize(9);
  EXPECT_EQ(platform::ToFontSpec(points).Height, QFontInfo(points).pixelSize());
  EXPECT_GT(platform::ToFontSpec(points).Height, 0);
}

TEST(WindowFontData, AFileThatIsNoFontComesBackUnchanged) {
  for (const QByteArray& data :
       {QByteArray(), QByteArray("not a font at all"), QByteArray("\x00\x01\x00\x00\x00\x7F", 6)})
    EXPECT_EQ(OutlineOnlyFont(data), data);
}

} // namespace
