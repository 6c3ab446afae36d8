#include "app/TFRMUPDATE.h"
#include "platform/Application.h"

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <thread>

int main(int argc, char** argv) {
  // Without a display the toolkit would abort; say why instead.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
      !std::getenv("QT_QPA_PLATFORM")) {
    std::fprintf(stderr,
                 "kolvarin-update: no display to show the window on (DISPLAY is not set)\n");
    return 1;
  }
  // Reading the font configuration takes about as long as starting the toolkit: done side by
  // side, the window's fonts are ready sooner.
  std::thread fonts([] { FcInit(); });
  platform::TApplication application(argc, argv);
  fonts.join();
  application.SetTitle(QStringLiteral("Kolvarin Radyo Güncelleme"));
  app::TFRMUPDATE form(application);
  return application.Run();
}
