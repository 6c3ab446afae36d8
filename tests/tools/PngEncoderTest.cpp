// The render command's own PNG writer, read back by the toolkit's PNG reader.
#include "tools/PngEncoder.h"

#include <QByteArray>
#include <QImage>
#include <gtest/gtest.h>

namespace {

// Every pixel a different colour, red, green and blue each varying.
platform::TBitmap Pattern(int width, int height) {
  platform::TBitmap picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture.SetPixel(x, y,
                       0xFF000000u | static_cast<std::uint32_t>((x * 7 + y) & 0xFF) << 16 |
                           static_cast<std::uint32_t>((x + y * 13) & 0xFF) << 8 |
                           static_cast<std::uint32_t>((x * y + 1) & 0xFF));
  return picture;
}

TEST(PngEncoder, EveryPixelReadsBackAsWritten) {
  struct Case {
    int width, height;
    const char* what;
  };
  const Case cases[] = {
      {1, 1, "one pixel"},
      {3, 2, "rows narrower than a word"},
      {1456, 15, "image data of exactly one full stored block (65535 bytes)"},
      {21845, 1, "one byte more than a block: a second block of one byte"},
      {409, 305, "the window: six blocks"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const platform::TBitmap picture = Pattern(c.width, c.height);
    const std::string png = tools::EncodePng(picture);
    QImage image;
    ASSERT_TRUE(
        image.loadFromData(QByteArray(png.data(), static_cast<qsizetype>(png.size())), "PNG"));
    ASSERT_EQ(image.width(), c.width);
    ASSERT_EQ(image.height(), c.height);
    int wrong = 0;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        wrong += image.pixel(x, y) != picture.Pixel(x, y);
    EXPECT_EQ(wrong, 0);
  }
}

// A reader that checks the stream's checksums refuses a file whose chunk or data was damaged;
// the writer's are right only when the untouched file is read.
TEST(PngEncoder, TheChecksumsCoverTheirBytes) {
  const std::string png = tools::EncodePng(Pattern(40, 30));
  // The IDAT chunk starts after the signature (8) and IHDR (4 + 4 + 13 + 4); its CRC is last but
  // the 12 bytes of IEND.
  const std::size_t crcOfData = png.size() - 12 - 4;
  const std::size_t adler = crcOfData - 4;
  for (const std::size_t at : {adler, crcOfData}) {
    std::string damaged = png;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
    QImage image;
    EXPECT_FALSE(image.loadFromData(
        QByteArray(damaged.data(), static_cast<qsizetype>(damaged.size())), "PNG"))
        << "byte " << at;
  }
  QImage image;
  EXPECT_TRUE(
      image.loadFromData(QByteArray(png.data(), static_cast<qsizetype>(png.size())), "PNG"));
}

} // namespace
