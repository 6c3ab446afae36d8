#include "app/TFRMUPDATE.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/MessageBox.h"

#include "platform/posix/QtWindowHost.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/wait.h>
#include <algorithm>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace {

using platform::TApplication;

// What a modal box looked like while it was open.
struct SeenBox {
  bool seen = false;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
  bool okIsDefault = false;
  bool okIsEscape = false;
  bool mainWindowVisible = true;
};

// Watches for the next application-modal message box, records it, and closes it with `key`.
class BoxWatcher {
public:
  BoxWatcher(const QWidget* mainWindow, Qt::Key key) : m_mainWindow(mainWindow), m_key(key) {
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start();
  }
  const SeenBox& Seen() const { return m_seen; }

private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || m_seen.seen)
      return;
    m_seen.seen = true;
    m_seen.title = box->windowTitle();
    m_seen.text = box->text();
    m_seen.icon = box->icon();
    for (QAbstractButton* b : box->buttons())
      m_seen.buttons << b->text();
    m_seen.okIsDefault = box->defaultButton() && box->defaultButton()->text() == "OK";
    m_seen.okIsEscape = box->escapeButton() && box->escapeButton()->text() == "OK";
    m_seen.mainWindowVisible = m_mainWindow && m_mainWindow->isVisible();
    m_timer.stop();
    QTest::keyClick(box, m_key);
  }

  const QWidget* m_mainWindow;
  Qt::Key m_key;
  QTimer m_timer;
  SeenBox m_seen;
};

// The toolkit's window of a form on Linux.
QWidget& WindowOf(app::TFRMUPDATE& form) {
  return static_cast<platform::posix::TQtWindowHost&>(*form.Host()).Widget();
}

// The main window without the player sweep, with a scripted update attempt.
class ScriptedForm : public app::TFRMUPDATE {
public:
  ScriptedForm() : TFRMUPDATE(*TApplication::Instance(), false, app::PublisherAt("kolvarin-test.example")) {}

  std::function<void()> attempt;
  int attempts = 0;
  bool visibleDuringAttempt = true;

  void KvButton5Click() override {
    ++attempts;
    visibleDuringAttempt = Host()->Visible();
    if (attempt)
      attempt();
  }
};

TEST(MainWindow, HasTheTitleAndTheFixedClientSize) {
  ScriptedForm form;
  EXPECT_EQ(WindowOf(form).windowTitle(), QString::fromUtf8("Kolvarin Radyo Güncelleme"));
  EXPECT_EQ(WindowOf(form).size(), QSize(409, 305));
  EXPECT_EQ(WindowOf(form).minimumSize(), WindowOf(form).maximumSize());
  EXPECT_FALSE(WindowOf(form).windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(WindowOf(form).windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(WindowOf(form).windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(MainWindow, RunsTheUpdateAttemptBeforeItIsVisibleThenShowsCentred) {
  ScriptedForm form;
  form.Show();

  EXPECT_EQ(form.attempts, 1);
  EXPECT_FALSE(form.visibleDuringAttempt);
  EXPECT_TRUE(WindowOf(form).isVisible());
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_LE((WindowOf(form).geometry().center() - screen.center()).manhattanLength(), 2);
  form.Hide();
}

TEST(MainWindow, AMessageBoxFromTheAttemptAppearsWhileTheWindowIsHidden) {
  ScriptedForm form;
  form.attempt = [] { platform::ShowMessageBox("Kutu metni"); };
  BoxWatcher watcher(&WindowOf(form), Qt::Key_Escape);

  form.Show();

  const SeenBox& box = watcher.Seen();
  ASSERT_TRUE(box.seen);
  EXPECT_FALSE(box.mainWindowVisible);
  EXPECT_EQ(box.title, QString::fromUtf8("Kolvarin Radyo Güncelleme"));
  EXPECT_EQ(box.text, QString::fromUtf8("Kutu metni"));
  EXPECT_EQ(box.icon, QMessageBox::NoIcon);
  EXPECT_EQ(box.buttons, QStringList{"OK"});
  EXPECT_TRUE(box.okIsDefault);
  EXPECT_TRUE(box.okIsEscape);
  EXPECT_TRUE(WindowOf(form).isVisible());
  form.Hide();
}

TEST(MainWindow, AnAbortEndsTheAttemptSilentlyAndTheWindowStillShows) {
  ScriptedForm form;
  form.attempt = [] { throw platform::EAbort(); };
  BoxWatcher watcher(&WindowOf(form), Qt::Key_Return);

  form.Show();
  QTest::qWait(100);

  EXPECT_FALSE(watcher.Seen().seen);
  EXPECT_TRUE(WindowOf(form).isVisible());
  form.Hide();
}

TEST(MainWindow, AnyOtherExceptionIsShownInTheErrorBoxAndTheProgramGoesOn) {
  ScriptedForm form;
  form.attempt = [] { throw std::runtime_error("Socket Error # 10061\nConnection refused."); };
  BoxWatcher watcher(&WindowOf(form), Qt::Key_Return);

  form.Show();

  const SeenBox& box = watcher.Seen();
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(box.title, QString::fromUtf8("Kolvarin Radyo Güncelleme"));
  EXPECT_EQ(box.text, "Socket Error # 10061\nConnection refused.");
  EXPECT_EQ(box.icon, QMessageBox::Critical);
  EXPECT_EQ(box.buttons, QStringList{"OK"});
  EXPECT_TRUE(WindowOf(form).isVisible());
  EXPECT_FALSE(TApplication::Instance()->Terminated());
  form.Hide();
}

TEST(ApplicationDispatch, CatchesWhatEscapesAHandlerRunByTheEventLoop) {
  ScriptedForm form;
  BoxWatcher watcher(&WindowOf(form), Qt::Key_Escape);
  bool later = false;

  QTimer::singleShot(0, [] { throw std::runtime_error("from a timer"); });
  QTimer::singleShot(50, [&] { later = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return later; }, 5000));

  EXPECT_TRUE(watcher.Seen().seen);
  EXPECT_EQ(watcher.Seen().text, "from a timer");
}

// Last: the terminate request stays set for the rest of the run.
TEST(MainWindow, ZzClosingTheWindowAsksTheApplicationToEnd) {
  ScriptedForm form;
  form.Show();
  ASSERT_FALSE(TApplication::Instance()->Terminated());

  form.KvButton1Click();

  EXPECT_FALSE(WindowOf(form).isVisible());
  EXPECT_TRUE(TApplication::Instance()->Terminated());
  QCoreApplication::processEvents();
}

} // namespace

namespace {

// Without a display, and with one that is named but does not answer, the updater says so on
// one line and ends with code 1 instead of letting the toolkit abort.
TEST(StartupDisplay, WithoutAReachableDisplayOneLineAndCodeOne) {
  const std::vector<std::vector<std::string>> environments = {
      {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM"},
      {"-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", "DISPLAY=:4711"}};
  for (std::vector<std::string> args : environments) {
    args.push_back(KOLVARIN_UPDATE_BINARY);
    const testsupport::RunResult result = testsupport::RunProgram("/usr/bin/env", args);
    EXPECT_TRUE(result.ExitedWith(1)) << args[args.size() - 2] << " status " << result.status;
    EXPECT_FALSE(WIFSIGNALED(result.status)) << args[args.size() - 2];
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_TRUE(result.err.starts_with("kolvarin-update: ")) << result.err;
  }
}

} // namespace
