#pragma once

#include <cstdint>
#include <string>

namespace app {

// The version this updater holds.
inline constexpr const char* UpdaterVersion = "1.0.0.0";

inline constexpr const char* PublisherPath = "/programlar/radyo/";
inline constexpr const char* VersionFileName = "kolvarin.txt";
inline constexpr const char* DownloadFileName = "Kolvarin.exe";

// Where the publisher keeps the version file, the player and its signature, and whether the
// version check follows redirects (always for https; the download follows them in every build).
struct PublisherSite {
  // The folder's URL, ending in "/": "http://www.kolvarin.example/programlar/radyo/".
  std::string folder;
  bool followRedirects = false;
  bool Secure() const;
};

// The build's publisher: KOLVARIN_UPDATE_URL when set, otherwise http:// KOLVARIN_UPDATE_HOST
// and the usual folder; KOLVARIN_FOLLOW_REDIRECTS for an http URL.
PublisherSite ConfiguredPublisher();
// The usual folder on `host` (a name or an address, with a port or without), over http.
PublisherSite PublisherAt(const std::string& host, bool followRedirects = false);
// `folder` as a publisher's site: an https URL follows redirects; a folder without its last "/"
// gets one.
PublisherSite PublisherFolder(std::string folder, bool followRedirects = false);
std::string VersionURL(const PublisherSite& site);
std::string DownloadURL(const PublisherSite& site);

// "00:MM:SS Sn " for the bytes still to come at 10000 bytes a second; minutes are not carried
// into hours.
std::string RemainingTimeText(std::uint32_t total, std::uint32_t complete);

// Bytes of the Turkish Windows code page (1254) as UTF-8 text.
std::string DecodeWindows1254(const std::string& bytes);

// The window's texts, UTF-8.
namespace texts {
inline constexpr const char* Title = "Kolvarin Radyo Güncelleme";
inline constexpr const char* Waiting = "Lütfen Bekleyiniz...";
inline constexpr const char* Checking = "Program sürümü kontrol ediliyor...";
inline constexpr const char* Current = "Kullandığınız Sürüm Güncel..";
inline constexpr const char* Downloading = "Güncel sürüm yükleniyor lütfen bekleyin...";
inline constexpr const char* Completed = "Yükleme İşlemi Tamamlandı...";
inline constexpr const char* CheckFailed = "Site Bağlantısı Sağlanamadı Programı Manuel Güncelleyin.";
inline constexpr const char* DownloadFailed = "Bağlantı Sağlanamdı.";
inline constexpr const char* RolledBack = "Yeni sürüm başlatılamadı. Önceki sürüm geri yüklendi.";
inline constexpr const char* RollBackFailed = "Yeni sürüm başlatılamadı. Önceki sürüm geri yüklenemedi.";
inline constexpr const char* NeedsAdministrator = "Güncelleme için yönetici izni gerekiyor.";
inline constexpr const char* VersionPrefix = "Kolvarin Radyo Versiyon : ";
inline constexpr const char* Kb = " Kb";
} // namespace texts

} // namespace app
