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
                                   unsigned flags, int dpi) override;

private:
  struct TFont;
  struct TDeviceContext;
  struct TPrivateFace;

  // The text laid out in `rect` (pixels), each pixel drawn `scale` x `scale` (a font `scale`
  // times as high).
  std::vector<std::uint8_t> RenderAt(const TFontSpec& font, std::string_view text,
                                     const TRect& rect, unsigned flags, int scale);

  // The family GDI draws for `fontSpec`: a private repaired copy of a faulty system font, or the
  // family asked for.
  const std::string& Face(const TFontSpec& fontSpec);

  // The font of `fontSpec` with its em `scale` times as high, made once and selected into the
  // memory device context (with the letter spacing of a synthetic bold); returns how many
  // device pixels each stroke is to be widened by, 0 but for a synthetic bold.
  int Select(const TFontSpec& fontSpec, int scale);

  // A bold of a private face (which has no bold of its own) is drawn as on Linux: its regular
  // letters this many pixels further apart, each stroke widened as much to the right. GDI's
  // own bold of such a face is not bold at every size under Wine (at 11 pixels it only spaces
  // the letters). 0 for a regular font or a face of the system.
  int SyntheticBoldWidth(const TFontSpec& fontSpec);

  std::unique_ptr<TDeviceContext> m_dc;
  std::vector<TFont> m_fonts;
  std::vector<TPrivateFace> m_faces;
};

} // namespace platform::win32
