// kolvarin-tool.exe render beside the Linux build's render of the same pictures: the same files,
// the same sizes and the same pixels wherever the two systems' fonts draw no text.
#include "Win32Process.h"
#include "platform/Bitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#include <wincodec.h>

namespace {

using namespace wintest;
using platform::TBitmap;

// A COM interface pointer, released when it goes.
template <class T> class ComRef {
public:
  ComRef() = default;
  ~ComRef() {
    if (m_pointer)
      m_pointer->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T** Out() { return &m_pointer; }
  void** OutVoid() { return reinterpret_cast<void**>(&m_pointer); }
  T* operator->() const { return m_pointer; }
  T* Get() const { return m_pointer; }

private:
  T* m_pointer = nullptr;
};

// A PNG file's pixels (0xFFRRGGBB), read with the system's imaging codecs; empty when it cannot
// be read.
TBitmap ReadPng(const std::filesystem::path& file) {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ComRef<IWICImagingFactory> factory;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  ComRef<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, factory.OutVoid())) ||
      FAILED(factory->CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.Out())) ||
      FAILED(decoder->GetFrame(0, frame.Out())) ||
      FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&width, &height)))
    return {};
  TBitmap picture(static_cast<int>(width), static_cast<int>(height));
  if (FAILED(converter->CopyPixels(nullptr, static_cast<UINT>(picture.Stride()),
                                   static_cast<UINT>(picture.Stride()) * height,
                                   reinterpret_cast<BYTE*>(picture.Bits()))))
    return {};
  std::uint32_t* bits = picture.Bits();
  std::for_each(bits, bits + static_cast<std::size_t>(width) * height,
                [](std::uint32_t& pixel) { pixel |= 0xFF000000u; });
  return picture;
}

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Where two renders of a picture may differ. A text area is a line of text on a background
// whose rows are each one colour (flat or a vertical gradient), its left column clear of text: a
// pixel there is ink when it differs from its row's pixel in that column. Inside a text area two
// renders may differ next to ink of either (the fonts' letters differ in shape and advance);
// elsewhere not at all. The program's icon is drawn from one artwork by each build's own
// rasteriser (on Windows from its .ico), so its pixels may differ by their sampling, but by no
// more than 64 in a channel, as the icon's own test allows.
struct Areas {
  std::vector<Rect> text;
  std::vector<Rect> icon;
  // The picture is as wide as its text, so its width follows the font.
  bool widthIsText = false;
};

Areas AreasOf(const std::string& file, int width, int height) {
  const auto startsWith = [&file](const char* prefix) { return file.rfind(prefix, 0) == 0; };
  Areas areas;
  if (startsWith("urllabel-")) {
    areas.text = {{0, 0, width, height}};
    areas.widthIsText = true;
  } else if (startsWith("button-")) {
    // Inside the frame and the focus rectangle.
    areas.text = {{4, 4, width - 4, height - 4}};
  } else if (startsWith("groupbox-")) {
    // The caption in the banner.
    areas.text = {{10, 3, width - 2, 19}};
  } else if (startsWith("window-")) {
    // The status line beside the icon, the two group boxes' captions and lines of labels, the
    // three buttons' captions.
    areas.text = {{48, 8, 409, 40}, {10, 51, 407, 67}, {10, 189, 407, 205}};
    for (const int top : {70, 86, 105, 124, 143, 209, 228})
      areas.text.push_back({6, top, 407, top + 16});
    for (const auto& [left, buttonWidth] : {std::pair{7, 75}, {151, 105}, {319, 75}})
      areas.text.push_back({left + 4, 272, left + buttonWidth - 4, 289});
    areas.icon = {{8, 8, 40, 40}};
  }
  return areas;
}

int LargestChannelDifference(std::uint32_t a, std::uint32_t b) {
  int largest = 0;
  for (int shift = 0; shift < 24; shift += 8)
    largest = std::max(largest, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                         static_cast<int>((b >> shift) & 0xFF)));
  return largest;
}

bool IsInk(const TBitmap& picture, const Rect& area, int x, int y) {
  return picture.Pixel(x, y) != picture.Pixel(area.left, y);
}

// Whether a pixel where the renders differ is next to (or on) ink of either inside `area`.
bool NextToInk(const TBitmap& a, const TBitmap& b, const Rect& area, int x, int y) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (area.Contains(x + dx, y + dy) &&
          (IsInk(a, area, x + dx, y + dy) || IsInk(b, area, x + dx, y + dy)))
        return true;
    }
  }
  return false;
}

// The pixels where `fromWindows` differs from `fromLinux` outside what `areas` allows, over the
// width both have.
std::vector<std::pair<int, int>> Mismatches(const TBitmap& fromLinux, const TBitmap& fromWindows,
                                            const Areas& areas) {
  std::vector<std::pair<int, int>> found;
  const int width = std::min(fromLinux.Width(), fromWindows.Width());
  for (int y = 0; y < std::min(fromLinux.Height(), fromWindows.Height()); ++y) {
    for (int x = 0; x < width; ++x) {
      if (fromLinux.Pixel(x, y) == fromWindows.Pixel(x, y))
        continue;
      const auto contains = [x, y](const Rect& area) { return area.Contains(x, y); };
      if (std::any_of(areas.icon.begin(), areas.icon.end(), contains)) {
        if (LargestChannelDifference(fromLinux.Pixel(x, y), fromWindows.Pixel(x, y)) > 64)
          found.emplace_back(x, y);
        continue;
      }
      const bool text = std::any_of(areas.text.begin(), areas.text.end(), [&](const Rect& area) {
        return area.Contains(x, y) && NextToInk(fromLinux, fromWindows, area, x, y);
      });
      if (!text)
        found.emplace_back(x, y);
    }
  }
  return found;
}

std::string Describe(const std::vector<std::pair<int, int>>& pixels) {
  std::string text = std::to_string(pixels.size()) + " pixels differ outside the text, first at";
  for (std::size_t i = 0; i < std::min<std::size_t>(pixels.size(), 5); ++i)
    text += " (" + std::to_string(pixels[i].first) + "," + std::to_string(pixels[i].second) + ")";
  return text;
}

std::set<std::string> FilesIn(const std::filesystem::path& folder) {
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files.insert(entry.path().filename().string());
  return files;
}

// The Linux build's tool renders into this folder before the suite runs (a ctest fixture).
std::filesystem::path LinuxRenders() {
  return WinPath(KOLVARIN_LINUX_RENDERS);
}

class WinRenderTool : public testing::Test {
protected:
  // The Windows tool renders once for the suite.
  static void SetUpTestSuite() {
    s_folder = new TempFolder;
    s_result = new RunResult(wintest::Run(WinPath(KOLVARIN_TOOL_BINARY),
                                          {"render", (s_folder->Path() / L"pictures").string()}));
  }
  static void TearDownTestSuite() {
    delete s_result;
    delete s_folder;
  }
  static std::filesystem::path Windows() { return s_folder->Path() / L"pictures"; }

  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(LinuxRenders() / "index.html"))
        << "no Linux renders in " << LinuxRenders().string()
        << ": the Linux build's kolvarin-tool renders them (ctest's fixture)";
    ASSERT_EQ(s_result->exitCode, 0u) << s_result->err;
  }

  static TempFolder* s_folder;
  static RunResult* s_result;
};

TempFolder* WinRenderTool::s_folder = nullptr;
RunResult* WinRenderTool::s_result = nullptr;

TEST_F(WinRenderTool, WritesTheSameFilesAndIndexAsTheLinuxBuild) {
  EXPECT_EQ(s_result->out, "rendered 27 pictures into " + Windows().string() + "\n");
  EXPECT_EQ(FilesIn(Windows()), FilesIn(LinuxRenders()));
  EXPECT_EQ(ReadAll(Windows() / "index.html"), ReadAll(LinuxRenders() / "index.html"));
}

TEST_F(WinRenderTool, EveryPictureIsTheLinuxOneOutsideTheText) {
  int compared = 0;
  for (const std::string& file : FilesIn(LinuxRenders())) {
    if (file.size() < 4 || file.substr(file.size() - 4) != ".png")
      continue;
    SCOPED_TRACE(file);
    const TBitmap fromLinux = ReadPng(LinuxRenders() / file);
    const TBitmap fromWindows = ReadPng(Windows() / file);
    ASSERT_FALSE(fromLinux.IsEmpty());
    ASSERT_FALSE(fromWindows.IsEmpty());
    const Areas areas = AreasOf(file, fromLinux.Width(), fromLinux.Height());
    EXPECT_EQ(fromWindows.Height(), fromLinux.Height());
    if (!areas.widthIsText) {
      EXPECT_EQ(fromWindows.Width(), fromLinux.Width());
    }
    const auto mismatches = Mismatches(fromLinux, fromWindows, areas);
    EXPECT_TRUE(mismatches.empty()) << Describe(mismatches);
    ++compared;
  }
  EXPECT_EQ(compared, 27);
}

// The comparison itself: faults that could hide beside the text are caught. Each case changes
// the Windows picture as a fault would.
TEST_F(WinRenderTool, TheComparisonCatchesWhatIsNotText) {
  struct Case {
    const char* file;
    const char* fault;
    std::function<void(TBitmap&)> apply;
  };
  // Moves each row from `top` to `bottom` (exclusive), from x `left` to `right`, down by one.
  const auto shiftDown = [](int left, int top, int right, int bottom) {
    return [=](TBitmap& picture) {
      for (int y = bottom - 1; y > top; --y)
        for (int x = left; x < right; ++x)
          picture.SetPixel(x, y, picture.Pixel(x, y - 1));
    };
  };
  const Case cases[] = {
      {"panel.png", "the gradient a row lower", shiftDown(0, 0, 409, 48)},
      {"groupbox-1.png", "the banner's gradient a row lower under the caption only",
       shiftDown(10, 3, 407, 19)},
      {"window-current.png", "the header's gradient a row lower beside the icon",
       shiftDown(48, 8, 409, 40)},
      {"window-current.png", "no icon",
       [](TBitmap& picture) {
         for (int y = 8; y < 40; ++y)
           for (int x = 8; x < 40; ++x)
             picture.SetPixel(x, y, picture.Pixel(4, y));
       }},
      {"button-vazgec-focused.png", "no focus rectangle",
       [](TBitmap& picture) {
         for (int x = 4; x < picture.Width() - 4; ++x) {
           picture.SetPixel(x, 3, picture.Pixel(picture.Width() / 2, 2));
           picture.SetPixel(x, picture.Height() - 4, picture.Pixel(picture.Width() / 2, 2));
         }
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.fault);
    const TBitmap fromLinux = ReadPng(LinuxRenders() / c.file);
    TBitmap fromWindows = ReadPng(Windows() / c.file);
    ASSERT_FALSE(fromWindows.IsEmpty());
    const Areas areas = AreasOf(c.file, fromLinux.Width(), fromLinux.Height());
    ASSERT_TRUE(Mismatches(fromLinux, fromWindows, areas).empty());
    c.apply(fromWindows);
    EXPECT_FALSE(Mismatches(fromLinux, fromWindows, areas).empty());
  }
}

} // namespace
