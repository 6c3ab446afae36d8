#include "controls/WindowFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace controls {

bool RegisterWindowFonts() {
  static const bool registered = [] {
    bool any = false;
    for (const char* file :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
      any = QFontDatabase::addApplicationFont(QString::fromLatin1(file)) >= 0 || any;
    return any;
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

} // namespace controls
