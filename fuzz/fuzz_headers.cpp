// The header list: any text set back as lines, every header read, a value set and folded at a
// small width, and the folded lines checked.
#include "http/TNetHeaderList.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1)
    return 0;
  const int width = 1 + data[0] % 64;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  http::TNetHeaderList list;
  list.FoldWidth = width;
  list.SetText(text);
  for (int i = 0; i < list.Count(); ++i) {
    const std::string name = list.NameAt(i);
    (void)list.ValueOf(name);
  }
  std::vector<std::string> values;
  list.CollectValues("Set-Cookie", &values);

  // Set the first line's text as the value of a header of our own.
  const std::string value = list.Count() > 0 ? list[0] : text;
  http::TNetHeaderList folded;
  folded.FoldWidth = width;
  folded.SetValue("X-Fuzz", value);
  for (int i = 1; i < folded.Count(); ++i) {
    if (folded[i].empty() || folded[i].front() != ' ')
      __builtin_trap();
  }
  (void)folded.ValueOf("x-fuzz");
  folded.SetValue("X-Fuzz", "");
  if (folded.IndexOfHeader("X-Fuzz") >= 0 && !value.empty() && value.find(':') == std::string::npos)
    __builtin_trap();
  return 0;
}
