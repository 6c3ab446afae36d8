#include "platform/win32/GdiTextEngine.h"

#include "platform/FontRepair.h"
#include "platform/win32/ShowBitmap.h"
#include "platform/win32/Unicode.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cwctype>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <windows.h>

namespace platform::win32 {

namespace {

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct BitmapDeleter {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

// An object selected into a device context for one scope; the one it replaced comes back.
class TSelection {
public:
  TSelection(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
  ~TSelection() { SelectObject(m_dc, m_previous); }
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

private:
  HDC m_dc;
  HGDIOBJ m_previous;
};

// The DrawTextW format for TextFlag bits; tfCalcRect is the caller's to add.
unsigned DrawTextFormat(unsigned flags) {
  unsigned format = DT_LEFT | DT_TOP;
  if (flags & tfCenter)
    format |= DT_CENTER;
  if (flags & tfRight)
    format |= DT_RIGHT;
  if (flags & tfVCenter)
    format |= DT_VCENTER;
  if (flags & tfSingleLine)
    format |= DT_SINGLELINE;
  if (flags & tfWordBreak)
    format |= DT_WORDBREAK;
  if (flags & tfExpandTabs)
    format |= DT_EXPANDTABS;
  if (flags & tfNoPrefix)
    format |= DT_NOPREFIX;
  return format;
}

RECT NativeRect(const TRect& rect) {
  return {rect.Left, rect.Top, rect.Right, rect.Bottom};
}

} // namespace

struct TGdiTextEngine::TFont {
  TFontSpec Description;
  int Scale = 1;
  FontHandle Handle;
};

// A font added for this process only; gone with it.
struct TGdiTextEngine::TPrivateFace {
  TPrivateFace(std::string name, std::string face, HANDLE resource)
      : Name(std::move(name)), Face(std::move(face)), Resource(resource) {}
  ~TPrivateFace() {
    if (Resource)
      RemoveFontMemResourceEx(Resource);
  }
  TPrivateFace(TPrivateFace&& other) noexcept
      : Name(std::move(other.Name)), Face(std::move(other.Face)),
        Resource(std::exchange(other.Resource, nullptr)) {}
  TPrivateFace& operator=(TPrivateFace&&) = delete;

  std::string Name; // the family asked for
  std::string Face; // the family drawn instead; empty: the one asked for
  HANDLE Resource = nullptr;
};

struct TGdiTextEngine::TDeviceContext {
  TDeviceContext() : Handle(CreateCompatibleDC(nullptr)) {
    if (!Handle)
      throw std::bad_alloc();
    // The font a context starts with; selecting it back lets the cached fonts be deleted.
    Original = GetCurrentObject(Handle, OBJ_FONT);
  }
  ~TDeviceContext() {
    SelectObject(Handle, Original);
    DeleteDC(Handle);
  }
  HDC Handle;
  HGDIOBJ Original;
};

TGdiTextEngine::TGdiTextEngine() : m_dc(std::make_unique<TDeviceContext>()) {}

TGdiTextEngine::~TGdiTextEngine() {
  // The context lets go of the selected font before the fonts are deleted, and they before the
  // private faces they use.
  m_dc.reset();
  m_fonts.clear();
  m_faces.clear();
}

namespace {

FontHandle MakeFont(const std::string& face, int height, bool bold, bool underline) {
  // A negative height asks for the em, not the cell, in pixels.
  FontHandle handle(CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                                underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, Widen(face).c_str()));
  if (!handle)
    throw std::bad_alloc();
  return handle;
}

// The whole file of the font selected into `dc`; empty when GDI cannot give it.
std::string SelectedFontFile(HDC dc) {
  const DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
  if (size == GDI_ERROR || size == 0)
    return {};
  std::string data(size, '\0');
  if (GetFontData(dc, 0, 0, data.data(), size) != size)
    return {};
  return data;
}

// The family of the font selected into `dc`.
std::wstring SelectedFace(HDC dc) {
  wchar_t face[LF_FACESIZE] = {};
  const int length = GetTextFaceW(dc, LF_FACESIZE, face);
  return std::wstring(face, length > 0 ? static_cast<std::size_t>(length - 1) : 0);
}

bool SameFamily(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
         });
}

// A file of the host system, when the program runs under Wine on it; empty anywhere else or
// when the file cannot be read. Wine alone has the call that names a host file for Windows.
std::string HostFile(const char* path) {
  using DosName = wchar_t*(__cdecl*)(const char*);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto dosName = kernel ? reinterpret_cast<DosName>(reinterpret_cast<void*>(
                                    GetProcAddress(kernel, "wine_get_dos_file_name")))
                              : nullptr;
  if (!dosName)
    return {};
  wchar_t* name = dosName(path);
  if (!name)
    return {};
  std::string data;
  if (FILE* file = _wfopen(name, L"rb")) {
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
      data.append(buffer, got);
    std::fclose(file);
  }
  HeapFree(GetProcessHeap(), 0, name);
  return data;
}

} // namespace

const std::string& TGdiTextEngine::Face(const TFontSpec& fontSpec) {
  for (const TPrivateFace& face : m_faces)
    if (face.Name == fontSpec.Name)
      return face.Face.empty() ? fontSpec.Name : face.Face;

  // Wine's Tahoma carries bitmap glyphs for only some sizes and letters, which GDI mixes with
  // the outlines and lays out with other widths than it draws; a private copy of its regular
  // face without them is drawn instead, bold made from it as on Linux (the bold file's outlines
  // are the regular ones). Any other font, Windows' own Tahoma among them, is drawn as it is.
  std::string data;
  bool found = false;
  {
    const FontHandle probe = MakeFont(fontSpec.Name, 12, false, false);
    TSelection selection(m_dc->Handle, probe.get());
    data = SelectedFontFile(m_dc->Handle);
    found = SameFamily(SelectedFace(m_dc->Handle), Widen(fontSpec.Name));
  }
  // A Wine whose system has no Tahoma draws another family in its place (DejaVu Sans, whose
  // unsmoothed bold is drawn wider than it is measured); the window's font is then the Tahoma
  // of the host's fonts-wine, as on Linux.
  if (!found && SameFamily(Widen(fontSpec.Name), L"Tahoma"))
    data = HostFile("/usr/share/wine/fonts/tahoma.ttf");
  const std::string postScriptName = PostScriptName(data);
  std::string face;
  HANDLE resource = nullptr;
  if (postScriptName.starts_with("WineTahoma") && HasEmbeddedBitmaps(data)) {
    const std::string name = "Kolvarin " + postScriptName;
    const std::string repaired = RenamedFont(OutlineOnlyFont(std::move(data)), name);
    DWORD count = 0;
    resource = AddFontMemResourceEx(const_cast<char*>(repaired.data()),
                                    static_cast<DWORD>(repaired.size()), nullptr, &count);
    if (resource && count > 0)
      face = name;
  }
  m_faces.emplace_back(fontSpec.Name, std::move(face), resource);
  return m_faces.back().Face.empty() ? fontSpec.Name : m_faces.back().Face;
}

int TGdiTextEngine::SyntheticBoldWidth(const TFontSpec& fontSpec) {
  if (!fontSpec.Bold || Face(fontSpec) == fontSpec.Name)
    return 0;
  // One pixel at the window's sizes, as a classic screen draws bold; more for large text.
  return std::max(1, (fontSpec.Height + 6) / 13);
}

int TGdiTextEngine::Select(const TFontSpec& fontSpec, int scale) {
  const int widening = SyntheticBoldWidth(fontSpec) * scale;
  SetTextCharacterExtra(m_dc->Handle, widening);
  for (const TFont& font : m_fonts) {
    if (font.Scale == scale && font.Description == fontSpec) {
      SelectObject(m_dc->Handle, font.Handle.get());
      return widening;
    }
  }
  FontHandle handle = MakeFont(Face(fontSpec), fontSpec.Height * scale,
                               fontSpec.Bold && widening == 0, fontSpec.Underline);
  SelectObject(m_dc->Handle, handle.get());
  m_fonts.push_back({fontSpec, scale, std::move(handle)});
  return widening;
}

namespace {

// Widens the ink to the right by `pixels`, as a second strike one pixel further would, without
// closing a one-pixel gap between two inks: the dots of "ü" and the counters stay open.
void WidenInk(std::vector<std::uint8_t>& ink, long long width, int pixels) {
  if (width < 2)
    return;
  const auto w = static_cast<std::size_t>(width);
  std::vector<bool> inked(w);
  for (int step = 0; step < pixels; ++step) {
    for (std::size_t row = 0; row + w <= ink.size(); row += w) {
      for (std::size_t x = 0; x < w; ++x)
        inked[x] = ink[row + x] > 127;
      for (std::size_t x = 1; x < w; ++x)
        if (!inked[x] && inked[x - 1] && !(x + 1 < w && inked[x + 1]))
          ink[row + x] = 255;
    }
  }
}

} // namespace

TTextMetrics TGdiTextEngine::Metrics(const TFontSpec& font) {
  Select(font, 1);
  TEXTMETRICW metrics{};
  GetTextMetricsW(m_dc->Handle, &metrics);
  return {static_cast<int>(metrics.tmAscent), static_cast<int>(metrics.tmHeight)};
}

TRect TGdiTextEngine::Measure(const TFontSpec& font, std::string_view text, const TRect& rect,
                              unsigned flags) {
  const int widening = Select(font, 1);
  const std::wstring wide = Widen(text);
  RECT bounds = NativeRect(rect);
  // Vertical centring moves the lines, not their size, so it is left out of the measuring.
  DrawTextW(m_dc->Handle, wide.c_str(), static_cast<int>(wide.size()), &bounds,
            (DrawTextFormat(flags) & ~DT_VCENTER) | DT_CALCRECT);
  // GDI spaces a synthetic bold's letters after the last one too, a blank no ink fills.
  int width = std::max(0, static_cast<int>(bounds.right - bounds.left) - widening);
  const int height = static_cast<int>(bounds.bottom - bounds.top);
  // A synthetic bold's widened strokes reach past what DrawTextW measures: lines that are not
  // wrapped are as wide as their ink, so that their last letter is not cut off.
  if (!(flags & tfWordBreak) && width > 0 && height > 0) {
    const int room = width + height;
    const std::vector<std::uint8_t> ink =
        RenderAt(font, text, {0, 0, room, height}, flags & ~(tfCenter | tfRight | tfVCenter), 1);
    for (std::size_t i = 0; i < ink.size(); ++i)
      if (ink[i] != 0)
        width = std::max(width, static_cast<int>(i % static_cast<std::size_t>(room)) + 1);
  }
  return {rect.Left, rect.Top, rect.Left + width, rect.Top + height};
}

std::vector<std::uint8_t> TGdiTextEngine::Render(const TFontSpec& font, std::string_view text,
                                                 const TRect& rect, unsigned flags, int dpi) {
  if (dpi <= 0)
    return {};
  return RenderAt(dpi == BaseDpi ? font : DeviceFont(font, dpi), text,
                  {0, 0, rect.Width(), rect.Height()}, flags, 1);
}

std::vector<std::uint8_t> TGdiTextEngine::RenderAt(const TFontSpec& font, std::string_view text,
                                                   const TRect& rect, unsigned flags, int scale) {
  if (rect.IsEmpty() || scale < 1)
    return {};
  const long long width = static_cast<long long>(rect.Width()) * scale;
  const long long height = static_cast<long long>(rect.Height()) * scale;
  if (width > INT_MAX / 4 || height > INT_MAX / 4 || width * height > INT_MAX / 4)
    throw std::bad_alloc();

  // Both fit in an int: checked above.
  const BITMAPINFO info = TopDownBitmapInfo(static_cast<int>(width), static_cast<int>(height));
  void* bits = nullptr;
  BitmapHandle bitmap(CreateDIBSection(m_dc->Handle, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits)
    throw std::bad_alloc();

  const int widening = Select(font, scale);
  const std::wstring wide = Widen(text);
  {
    TSelection selection(m_dc->Handle, bitmap.get());
    RECT area{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    FillRect(m_dc->Handle, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(m_dc->Handle, RGB(0, 0, 0));
    SetBkMode(m_dc->Handle, TRANSPARENT);
    DrawTextW(m_dc->Handle, wide.c_str(), static_cast<int>(wide.size()), &area,
              DrawTextFormat(flags));
    GdiFlush();
  }

  // Black on white: the ink is how dark each pixel is, 255 where a glyph covers it.
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint8_t> ink(static_cast<std::size_t>(width * height));
  for (std::size_t i = 0; i < ink.size(); ++i)
    ink[i] = static_cast<std::uint8_t>(255 - ((pixels[i] >> 8) & 0xFF));
  WidenInk(ink, width, widening);
  return ink;
}

} // namespace platform::win32

namespace platform {

TTextEngine& TextEngine() {
  static win32::TGdiTextEngine engine;
  return engine;
}

} // namespace platform
