#pragma once

#include <QWidget>

namespace platform {
class TApplication;
}

namespace app {

// The updater's main window. Its components are built when it is created, then FormCreate
// runs; FormShow runs to its end each time the window is about to become visible, before the
// window is centred on the screen and shown; closing it in any way ends the program.
class TFRMUPDATE : public QWidget {
public:
  static constexpr int ClientWidth = 409;
  static constexpr int ClientHeight = 305;

  explicit TFRMUPDATE(platform::TApplication& application);
  ~TFRMUPDATE() override;

  // Handlers, each run on the user-interface thread.
  void FormCreate();
  void FormShow();
  void FormClose();
  void KvButton1Click();
  virtual void KvButton5Click();

  void setVisible(bool visible) override;

protected:
  // Seam for tests: builds the components and runs FormCreate. Called by the constructor.
  TFRMUPDATE(platform::TApplication& application, bool runFormCreate);
  void closeEvent(QCloseEvent* event) override;

private:
  void CentreOnScreen();

  platform::TApplication& m_application;
};

// The one main window of the process, or null.
extern TFRMUPDATE* FRMUPDATE;

} // namespace app
