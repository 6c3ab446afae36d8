// The program's entry on every system: the main window on the system's window host and the
// application object's event loop.
#include "app/TFRMUPDATE.h"
#include "app/UpdateTexts.h"
#include "platform/Application.h"
#include "platform/LibrarySearch.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  // Before anything can load a library: none may come from the program's folder.
  platform::RestrictLibrarySearch();
  // Without a display to show the window on, say so rather than let the toolkit abort.
  std::string problem;
  if (!platform::TApplication::CanShowWindows(problem)) {
    std::fprintf(stderr, "kolvarin-update: %s\n", problem.c_str());
    return 1;
  }
  platform::TApplication application(argc, argv);
  application.SetTitle(app::texts::Title);
  app::TFRMUPDATE form(application, app::RunKindOf(argc, argv));
  form.Show();
  return application.Run();
}
