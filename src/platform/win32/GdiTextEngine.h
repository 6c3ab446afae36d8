#pragma once

#include "platform/TextEngine.h"

#include <memory>
#include <string>
#include <vector>

namespace platform::win32 {

// The text engine on Windows: GDI's DrawTextW with fonts made by CreateFontW, unsmoothed. Under
// Wine, Tahoma is drawn from a repaired private copy of fonts-wine's regular face (see Face).
// Its fonts, private faces and memory device context live as long as it does.
class TGdiTextEngine final : public TTextEngine {
public:
  TGdiTextEngine();
  ~TGdiTextEngine() override;
  TGdiTextEngine(const TGdiTextEngine&) = delete;
  TGdiTextEngine& operator=(const TGdiTextEngine&) = delete;

  TTextMetrics Metrics(const TFontSpec& font) override;
  TRect Measure(const TFontSpec& font, std::string_view text, const TRect& rect,
                unsigned flags) override;
  std::vector<std::uint8_t> Render(const TFontSpec& font, std::string_view text, const TRect& rect,
                                   unsigned flags, int scale) override;

private:
  struct TFont;
  struct TDeviceContext;
  struct TPrivateFace;

  // The family GDI draws for `spec`: a private repaired copy of a faulty system font, or the
  // family asked for.
  const std::string& Face(const TFontSpec& spec);

  // The font of `spec` with its em `scale` times as high, made once and selected into the
  // memory device context.
  void Select(const TFontSpec& spec, int scale);

  std::unique_ptr<TDeviceContext> m_dc;
  std::vector<TFont> m_fonts;
  std::vector<TPrivateFace> m_faces;
};

} // namespace platform::win32
