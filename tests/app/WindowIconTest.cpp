// The Windows programs' icon, drawn at build time by cmake/windows/make-window-icon.py, is the
// picture the window's icon shows on Linux: each of its images compared with platform::IconImage
// at the same size.
#include "platform/posix/WindowIcon.h"

#include "ChildProcess.h"

#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <vector>

namespace {

using namespace testsupport;

// The .ico's images by size, as premultiplied 0xAARRGGBB pixels, rows top-down.
std::map<int, std::vector<std::uint32_t>> ReadIcon(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), {});
  auto u16 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes.at(at)) |
                                 static_cast<unsigned char>(bytes.at(at + 1)) << 8);
  };
  auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  std::map<int, std::vector<std::uint32_t>> images;
  EXPECT_EQ(u16(2), 1u) << "an icon file";
  for (unsigned i = 0; i < u16(4); ++i) {
    const std::size_t entry = 6 + 16 * i;
    const int size = static_cast<unsigned char>(bytes.at(entry));
    const std::size_t dib = u32(entry + 12);
    EXPECT_EQ(u32(dib + 4), static_cast<unsigned>(size));
    EXPECT_EQ(u16(dib + 14), 32u) << "32 bits per pixel";
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size * size));
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        // Bottom-up BGRA with straight alpha.
        const std::size_t at = dib + 40 + 4 * static_cast<std::size_t>((size - 1 - y) * size + x);
        const unsigned b = static_cast<unsigned char>(bytes.at(at));
        const unsigned g = static_cast<unsigned char>(bytes.at(at + 1));
        const unsigned r = static_cast<unsigned char>(bytes.at(at + 2));
        const unsigned a = static_cast<unsigned char>(bytes.at(at + 3));
        pixels[static_cast<std::size_t>(y * size + x)] =
            a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
      }
    }
    images[size] = pixels;
  }
  return images;
}

struct Difference {
  double meanPerChannel = 0;
  double farPixels = 0; // the share of pixels with a channel more than 64 off
};

Difference Compare(const std::vector<std::uint32_t>& icon, const QImage& drawn) {
  const QImage expected = drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  Difference difference;
  const int size = expected.width();
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::uint32_t ours = icon[static_cast<std::size_t>(y * size + x)];
      const QRgb theirs = expected.pixel(x, y);
      int worst = 0;
      for (int shift : {24, 16, 8, 0}) {
        const int delta = std::abs(static_cast<int>(ours >> shift & 0xFF) -
                                   static_cast<int>(theirs >> shift & 0xFF));
        difference.meanPerChannel += delta;
        worst = std::max(worst, delta);
      }
      difference.farPixels += worst > 64 ? 1 : 0;
    }
  }
  difference.meanPerChannel /= 4.0 * size * size;
  difference.farPixels /= size * size;
  return difference;
}

TEST(WindowsIcon, EachImageIsTheWindowsIconPictureAtItsSize) {
  TempDir dir;
  const auto ico = dir.Path() / "kolvarin.ico";
  const RunResult made = RunProgram("/usr/bin/python3", {KOLVARIN_ICON_SCRIPT, ico.string()},
                                    std::chrono::seconds(60));
  ASSERT_TRUE(made.ExitedWith(0)) << made.err;
  const auto images = ReadIcon(ico);
  ASSERT_EQ(images.size(), 3u);
  // Edges differ by the two rasterisers' sampling, most at 16 pixels, drawn without
  // antialiasing; the picture does not.
  struct Size {
    int pixels;
    double mean;
    double far;
  };
  for (const Size size : {Size{16, 14, 0.25}, Size{32, 4, 0.02}, Size{48, 4, 0.02}}) {
    SCOPED_TRACE(size.pixels);
    ASSERT_TRUE(images.count(size.pixels));
    const std::vector<std::uint32_t>& image = images.at(size.pixels);
    const Difference same = Compare(image, platform::IconImage(size.pixels));
    EXPECT_LT(same.meanPerChannel, size.mean) << "mean difference per channel";
    EXPECT_LT(same.farPixels, size.far) << "share of pixels far off";
    // The measure tells another picture apart: the same one upside down.
    const Difference flipped = Compare(image, platform::IconImage(size.pixels).mirrored());
    EXPECT_GT(flipped.meanPerChannel, 40);
    EXPECT_GT(flipped.farPixels, 0.4);
  }
}

} // namespace
