#include "app/TFRMUPDATE.h"
#include "app/UpdateTexts.h"
#include "platform/Application.h"
#include "platform/X11Windows.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
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
  // A display that is named but does not answer would make the toolkit abort as well.
  const char* platformName = std::getenv("QT_QPA_PLATFORM");
  const bool onX11 = !platformName || std::string_view(platformName).starts_with("xcb");
  if (onX11 && std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
      !platform::DisplayReachable()) {
    std::fprintf(stderr, "kolvarin-update: cannot reach the display %s to show the window on\n",
                 std::getenv("DISPLAY"));
    return 1;
  }
  // Reading the font configuration takes about as long as starting the toolkit: done side by
  // side, the window's fonts are ready sooner.
  std::thread fonts([] { FcInit(); });
  platform::TApplication application(argc, argv);
  fonts.join();
  application.SetTitle(app::texts::Title);
  app::TFRMUPDATE form(application);
  form.Show();
  return application.Run();
}
