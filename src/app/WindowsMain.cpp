// The Windows program's entry: the main window on the Win32 host and the thread's message loop.
#include "app/TFRMUPDATE.h"
#include "app/UpdateTexts.h"
#include "platform/Application.h"

int main(int argc, char** argv) {
  platform::TApplication application(argc, argv);
  application.SetTitle(app::texts::Title);
  app::TFRMUPDATE form(application);
  form.Show();
  return application.Run();
}
