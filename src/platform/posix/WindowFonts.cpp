#include "platform/posix/WindowFonts.h"

#include "platform/FontRepair.h"

#include <QFile>
#include <QFontDatabase>
#include <string>

namespace platform {

QByteArray OutlineOnlyFont(QByteArray data) {
  std::string repaired = platform::OutlineOnlyFont(
      std::string(data.constData(), static_cast<std::size_t>(data.size())));
  return QByteArray(repaired.data(), static_cast<qsizetype>(repaired.size()));
}

bool RegisterWindowFonts() {
  // Only the regular face: the bold file's outlines are the regular ones, and its bitmaps
  // cover only some sizes and letters. The drawing kit makes bold from the regular face.
  static const bool registered = [] {
    QFile file(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    if (!file.open(QIODevice::ReadOnly))
      return false;
    return QFontDatabase::addApplicationFontFromData(OutlineOnlyFont(file.readAll())) >= 0;
  }();
  return registered;
}

QFont WindowFont(int pixelSize, bool bold, bool underline) {
  QFont font(RegisterWindowFonts() ? QStringLiteral("Tahoma") : QStringLiteral("Sans Serif"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setUnderline(underline);
  font.setStyleStrategy(QFont::NoAntialias);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

} // namespace platform
