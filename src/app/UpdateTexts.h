#pragma once

#include <cstdint>
#include <string>

namespace app {

// The version this updater holds.
inline constexpr const char* UpdaterVersion = "1.0.0.0";

inline constexpr const char* VersionPath = "/programlar/radyo/kolvarin.txt";
inline constexpr const char* DownloadPath = "/programlar/radyo/Kolvarin.exe";

// The publisher's host (the build setting KOLVARIN_UPDATE_HOST).
std::string PublisherHost();
std::string VersionURL(const std::string& host);
std::string DownloadURL(const std::string& host);

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
inline constexpr const char* VersionPrefix = "Kolvarin Radyo Versiyon : ";
inline constexpr const char* Kb = " Kb";
} // namespace texts

} // namespace app
