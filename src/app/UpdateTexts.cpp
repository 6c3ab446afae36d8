#include "app/UpdateTexts.h"

#include <array>

#include "platform/Text.h"

#ifndef KOLVARIN_UPDATE_HOST
#define KOLVARIN_UPDATE_HOST "www.kolvarin.example"
#endif
#ifndef KOLVARIN_UPDATE_URL
#define KOLVARIN_UPDATE_URL ""
#endif
#ifndef KOLVARIN_FOLLOW_REDIRECTS
#define KOLVARIN_FOLLOW_REDIRECTS 0
#endif

namespace app {

namespace {

void AppendUtf8(std::string& text, char16_t unit) {
  if (unit < 0x80) {
    text += static_cast<char>(unit);
  } else if (unit < 0x800) {
    text += static_cast<char>(0xC0 | (unit >> 6));
    text += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | (unit >> 12));
    text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (unit & 0x3F));
  }
}

} // namespace

bool PublisherSite::Secure() const {
  return platform::SameText(folder.substr(0, 8), "https://");
}

PublisherSite ConfiguredPublisher() {
  const std::string url = KOLVARIN_UPDATE_URL;
  if (url.empty())
    return PublisherAt(KOLVARIN_UPDATE_HOST, KOLVARIN_FOLLOW_REDIRECTS != 0);
  return PublisherFolder(url, KOLVARIN_FOLLOW_REDIRECTS != 0);
}

PublisherSite PublisherAt(const std::string& host, bool followRedirects) {
  return PublisherFolder("http://" + host + PublisherPath, followRedirects);
}

PublisherSite PublisherFolder(std::string folder, bool followRedirects) {
  if (!folder.ends_with('/'))
    folder += '/';
  PublisherSite site{std::move(folder), followRedirects};
  site.followRedirects = followRedirects || site.Secure();
  return site;
}

std::string VersionURL(const PublisherSite& site) {
  return site.folder + VersionFileName;
}

std::string DownloadURL(const PublisherSite& site) {
  return site.folder + DownloadFileName;
}

std::string RemainingTimeText(std::uint32_t total, std::uint32_t complete) {
  const std::uint32_t remaining = total >= complete ? total - complete : 0;
  const std::uint32_t seconds = remaining / 10000;
  const auto twoDigits = [](std::uint32_t value) {
    return (value <= 9 ? std::string("0") : std::string()) + std::to_string(value);
  };
  return "00:" + twoDigits(seconds / 60) + ":" + twoDigits(seconds % 60) + " Sn" + " ";
}

std::string DecodeWindows1254(const std::string& bytes) {
  // 0x80..0x9F and the six Turkish letters differ from Latin-1; 0 marks a byte the code page
  // leaves undefined, which Windows decodes as the C1 control of the same number.
  static constexpr std::array<char16_t, 32> High = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0,      0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0,      0x0178};
  std::string text;
  text.reserve(bytes.size());
  for (unsigned char byte : bytes) {
    char16_t unit = byte;
    if (byte >= 0x80 && byte <= 0x9F)
      unit = High[byte - 0x80] ? High[byte - 0x80] : char16_t(byte);
    else if (byte == 0xD0)
      unit = 0x011E; // Ğ
    else if (byte == 0xDD)
      unit = 0x0130; // İ
    else if (byte == 0xDE)
      unit = 0x015E; // Ş
    else if (byte == 0xF0)
      unit = 0x011F; // ğ
    else if (byte == 0xFD)
      unit = 0x0131; // ı
    else if (byte == 0xFE)
      unit = 0x015F; // ş
    AppendUtf8(text, unit);
  }
  return text;
}

} // namespace app
