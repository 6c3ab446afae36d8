#include "tools/RenderCommand.h"

#include "app/TFRMUPDATE.h"
#include "app/UpdateTexts.h"
#include "app/WindowControls.h"
#include "controls/Colors.h"
#include "controls/FormKeyboard.h"
#include "controls/TKvButton.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/Application.h"
#include "platform/posix/WindowFonts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tools {

namespace {

using namespace controls;
using platform::WindowFont;

const char* const Help =
    "usage: kolvarin-tool render DIR\n"
    "\n"
    "Draws every self-drawn control of the updater's window in each of its states, at the\n"
    "window's sizes and with the classic colour scheme, into DIR as PNG files, with an\n"
    "index.html that shows them side by side; also the whole window (its client area) when\n"
    "the player is current, during a download and after a failed check.\n";

struct Picture {
  QString file;
  QString title;
};

// A stand-in for the window: clBtnFace, as the controls' parent.
class Backdrop : public QWidget {
protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), ToQColor(clBtnFace)); }
};

// The main window without its handlers: the pictures set each state's texts themselves.
class StillWindow : public app::TFRMUPDATE {
public:
  explicit StillWindow(platform::TApplication& application)
      : TFRMUPDATE(application, false, app::PublisherHost()) {}
  void KvButton5Click() override {}
};

// The window's client area as the update attempt leaves it in `state`.
QImage RenderWindow(platform::TApplication& application, const QString& state) {
  using namespace app;
  StillWindow window(application);
  window.KvButton5->setEnabled(false);
  if (state == QLatin1String("failed")) {
    window.Label9->SetCaption(texts::Checking);
  } else {
    const QString url = QString::fromStdString(VersionURL(PublisherHost()));
    window.KvURLLabel1->SetCaption(url);
    window.KvURLLabel1->SetURL(url);
    const bool current = state == QLatin1String("current");
    window.Label9->SetCaption(current ? texts::Current : texts::Downloading);
    window.Label13->SetCaption(texts::VersionPrefix + QString::fromLatin1(UpdaterVersion));
    window.Label14->SetCaption(texts::VersionPrefix +
                               QString::fromLatin1(current ? UpdaterVersion : "1.0.0.1"));
    if (!current)
      window.HTTPFetchFileProgress(3240258, 1620129);
  }
  window.show();
  QApplication::processEvents();
  // The labels show a caption set in a burst a moment later; wait for their last paint.
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 3 * TKvLabel::MinPaintInterval.count())
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

int RunRender(int argc, char** argv) {
  if (argc != 1 || QString::fromLocal8Bit(argv[0]).startsWith(QLatin1Char('-'))) {
    std::fputs(Help, argc == 1 ? stdout : stderr);
    return argc == 1 ? 0 : 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[0]);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int argcQt = 1;
  char name[] = "kolvarin-tool";
  char* argvQt[] = {name, nullptr};
  platform::TApplication application(argcQt, argvQt);
  SetColorScheme(ColorScheme::Classic);
  SetFullColor(true);
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "kolvarin-tool render: cannot create %s\n", argv[0]);
    return 1;
  }
  std::vector<Picture> pictures;
  const auto save = [&](const QImage& image, const QString& file, const QString& title) {
    if (!image.save(folder + QLatin1Char('/') + file, "PNG")) {
      std::fprintf(stderr, "kolvarin-tool render: cannot write %s\n", qPrintable(file));
      std::exit(1);
    }
    pictures.push_back({file, title});
  };

  Backdrop window;
  window.resize(409, 305);
  window.setFont(WindowFont(11));
  window.show();
  window.activateWindow();
  QApplication::processEvents();

  for (int percent : {0, 50, 100}) {
    TKvProgressBar bar(&window);
    app::ApplyWindowProgressBarValues(bar);
    bar.SetTotalParts(100);
    bar.SetPartsComplete(static_cast<std::uint32_t>(percent));
    save(bar.Render(), QStringLiteral("progress-%1.png").arg(percent),
         QStringLiteral("progress bar, %1 %").arg(percent));
  }

  TKvPanel panel(&window);
  panel.setGeometry(0, 0, 409, 48);
  panel.SetBorderOuter(fsNone);
  panel.SetVisualStyle(vsGradient);
  save(panel.Render(), QStringLiteral("panel.png"), QStringLiteral("header panel"));

  const std::pair<QString, int> boxes[] = {{QStringLiteral("Güncelleme Durum Bilgileri"), 114},
                                           {QStringLiteral("Güncelleme Bilgileri"), 57}};
  int boxIndex = 1;
  for (const auto& [caption, height] : boxes) {
    TKvGroupBox box(&window);
    box.setGeometry(0, 48, 409, height);
    box.setFont(WindowFont(11, true));
    box.SetCaption(caption);
    box.SetGroupStyle(gsBanner);
    box.SetVisualStyle(vsGradient);
    box.SetColor(clWhite);
    box.SetTransparent(true);
    save(box.Render(), QStringLiteral("groupbox-%1.png").arg(boxIndex),
         QStringLiteral("group box \"%1\"").arg(caption));
    ++boxIndex;
  }

  for (const char* state : {"unvisited", "visited", "disabled"}) {
    TKvURLLabel label(&window);
    label.move(7, 38);
    label.SetFont(WindowFont(11, true, true));
    label.SetTransparent(true);
    label.SetCaption(QStringLiteral("http://www.kolvarin.example/programlar/radyo/kolvarin.txt"));
    label.SetVisited(QString::fromLatin1(state) == QLatin1String("visited"));
    label.setEnabled(QString::fromLatin1(state) != QLatin1String("disabled"));
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(ToQColor(clBtnFace));
    QPainter painter(&image);
    PaintThroughCanvas(painter, label.width(), label.height(),
                       [&label](TCanvas& canvas) { label.PaintOn(canvas); });
    painter.end();
    save(image, QStringLiteral("urllabel-%1.png").arg(QString::fromLatin1(state)),
         QStringLiteral("URL label, %1").arg(QString::fromLatin1(state)));
  }

  const std::tuple<QString, QString, int> buttons[] = {
      {QStringLiteral("Güncelle"), QStringLiteral("guncelle"), 75},
      {QStringLiteral("Manuel Güncelle"), QStringLiteral("manuel"), 105},
      {QStringLiteral("Vazgeç"), QStringLiteral("vazgec"), 75}};
  for (const auto& [caption, file, width] : buttons) {
    for (const char* state : {"normal", "hot", "pressed", "focused", "disabled"}) {
      const QString which = QString::fromLatin1(state);
      TKvButton button(&window);
      button.setGeometry(7, 268, width, 25);
      button.setFont(WindowFont(11));
      button.SetCaption(caption);
      button.SetHotTrack(true);
      button.show();
      window.setFocus();
      if (which == QLatin1String("hot")) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&button, &enter);
      } else if (which == QLatin1String("pressed")) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&button, &press);
      } else if (which == QLatin1String("focused")) {
        // Focused from the keyboard: the focus frame shows.
        FormKeyboard::SetCuesShown(true);
        button.setFocus();
      } else if (which == QLatin1String("disabled")) {
        button.setEnabled(false);
      }
      QApplication::processEvents();
      save(button.Render(), QStringLiteral("button-%1-%2.png").arg(file, which),
           QStringLiteral("button \"%1\", %2").arg(caption, which));
      FormKeyboard::SetCuesShown(false);
    }
  }

  for (const auto& [state, title] :
       {std::pair{QStringLiteral("current"), QStringLiteral("the player is current")},
        std::pair{QStringLiteral("downloading"), QStringLiteral("a download at 50 %")},
        std::pair{QStringLiteral("failed"), QStringLiteral("after a failed check")}})
    save(RenderWindow(application, state), QStringLiteral("window-%1.png").arg(state),
         QStringLiteral("the window, %1").arg(title));

  QFile index(folder + QStringLiteral("/index.html"));
  if (!index.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    std::fprintf(stderr, "kolvarin-tool render: cannot write index.html\n");
    return 1;
  }
  QString html = QStringLiteral(
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<title>Kolvarin Updater controls</title><style>body{font-family:sans-serif;background:#eee}"
      "figure{display:inline-block;margin:12px;vertical-align:top}"
      "img{image-rendering:pixelated;border:1px solid #888}</style></head><body>\n"
      "<h1>Kolvarin Updater: the self-drawn controls</h1>\n");
  for (const Picture& picture : pictures)
    html +=
        QStringLiteral("<figure><img src=\"%1\" alt=\"%2\"><figcaption>%2</figcaption></figure>\n")
            .arg(picture.file, picture.title.toHtmlEscaped());
  html += QStringLiteral("</body></html>\n");
  index.write(html.toUtf8());
  std::printf("rendered %zu pictures into %s\n", pictures.size(), argv[0]);
  return 0;
}

} // namespace tools
