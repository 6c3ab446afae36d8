#include "platform/win32/GdiTextEngine.h"

#include "platform/win32/Unicode.h"

#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
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
  TFontSpec Spec;
  int Scale = 1;
  FontHandle Handle;
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
  // The context lets go of the selected font before the fonts are deleted.
  m_dc.reset();
  m_fonts.clear();
}

void TGdiTextEngine::Select(const TFontSpec& spec, int scale) {
  for (const TFont& font : m_fonts) {
    if (font.Scale == scale && font.Spec == spec) {
      SelectObject(m_dc->Handle, font.Handle.get());
      return;
    }
  }
  // A negative height asks for the em, not the cell, in pixels.
  FontHandle handle(CreateFontW(-spec.Height * scale, 0, 0, 0, spec.Bold ? FW_BOLD : FW_NORMAL,
                                FALSE, spec.Underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, Widen(spec.Name).c_str()));
  if (!handle)
    throw std::bad_alloc();
  SelectObject(m_dc->Handle, handle.get());
  m_fonts.push_back({spec, scale, std::move(handle)});
}

TTextMetrics TGdiTextEngine::Metrics(const TFontSpec& font) {
  Select(font, 1);
  TEXTMETRICW metrics{};
  GetTextMetricsW(m_dc->Handle, &metrics);
  return {static_cast<int>(metrics.tmAscent), static_cast<int>(metrics.tmHeight)};
}

TRect TGdiTextEngine::Measure(const TFontSpec& font, std::string_view text, const TRect& rect,
                              unsigned flags) {
  Select(font, 1);
  const std::wstring wide = Widen(text);
  RECT bounds = NativeRect(rect);
  // Vertical centring moves the lines, not their size, so it is left out of the measuring.
  DrawTextW(m_dc->Handle, wide.c_str(), static_cast<int>(wide.size()), &bounds,
            (DrawTextFormat(flags) & ~DT_VCENTER) | DT_CALCRECT);
  return {rect.Left, rect.Top, rect.Left + static_cast<int>(bounds.right - bounds.left),
          rect.Top + static_cast<int>(bounds.bottom - bounds.top)};
}

std::vector<std::uint8_t> TGdiTextEngine::Render(const TFontSpec& font, std::string_view text,
                                                 const TRect& rect, unsigned flags, int scale) {
  if (rect.IsEmpty() || scale < 1)
    return {};
  const long long width = static_cast<long long>(rect.Width()) * scale;
  const long long height = static_cast<long long>(rect.Height()) * scale;
  if (width > INT_MAX / 4 || height > INT_MAX / 4 || width * height > INT_MAX / 4)
    throw std::bad_alloc();

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height); // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  BitmapHandle bitmap(CreateDIBSection(m_dc->Handle, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits)
    throw std::bad_alloc();

  Select(font, scale);
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
  return ink;
}

} // namespace platform::win32

namespace platform {

TTextEngine& TextEngine() {
  static win32::TGdiTextEngine engine;
  return engine;
}

} // namespace platform
