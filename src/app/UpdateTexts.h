#pragma once

#include <QString>
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
QString RemainingTimeText(std::uint32_t total, std::uint32_t complete);

// Bytes of the Turkish Windows code page (1254) as text.
QString DecodeWindows1254(const std::string& bytes);

namespace texts {
inline const QString Title = QStringLiteral("Kolvarin Radyo Güncelleme");
inline const QString Waiting = QStringLiteral("Lütfen Bekleyiniz...");
inline const QString Checking = QStringLiteral("Program sürümü kontrol ediliyor...");
inline const QString Current = QStringLiteral("Kullandığınız Sürüm Güncel..");
inline const QString Downloading = QStringLiteral("Güncel sürüm yükleniyor lütfen bekleyin...");
inline const QString Completed = QStringLiteral("Yükleme İşlemi Tamamlandı...");
inline const QString CheckFailed =
    QStringLiteral("Site Bağlantısı Sağlanamadı Programı Manuel Güncelleyin.");
inline const QString DownloadFailed = QStringLiteral("Bağlantı Sağlanamdı.");
inline const QString RolledBack =
    QStringLiteral("Yeni sürüm başlatılamadı. Önceki sürüm geri yüklendi.");
inline const QString RollBackFailed =
    QStringLiteral("Yeni sürüm başlatılamadı. Önceki sürüm geri yüklenemedi.");
inline const QString VersionPrefix = QStringLiteral("Kolvarin Radyo Versiyon : ");
inline const QString Kb = QStringLiteral(" Kb");
} // namespace texts

} // namespace app
