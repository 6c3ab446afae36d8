// TNetURI::Parse and the path merge on any text.
#include "http/TNetURI.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  http::TNetURI uri(text);
  // Nothing is lost or invented: every part is a piece of the text.
  for (const std::string* part : {&uri.Protocol, &uri.Username, &uri.Password, &uri.Host, &uri.Port,
                                  &uri.Document, &uri.Params, &uri.Bookmark}) {
    if (part->size() > size)
      __builtin_trap();
  }
  const std::string merged = http::TNetURI::MergePaths(uri.Path, uri.Document + uri.Params);
  if (!merged.empty() && merged.front() != '/')
    __builtin_trap();
  return 0;
}
