#include "tools/RenderCommand.h"

#include "app/TFRMUPDATE.h"
#include "app/UpdateTexts.h"
#include "app/WindowControls.h"
#include "controls/Colors.h"
#include "controls/ControlPainting.h"
#include "controls/TForm.h"
#include "controls/TKvButton.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/Application.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tools {

namespace {

using namespace controls;

platform::TFontSpec WindowFont(int pixelSize, bool bold = false, bool underline = false) {
  return {"Tahoma", pixelSize, bold, underline};
}

// A picture of ours as an image of the toolkit's, to be saved.
QImage ToImage(const platform::TBitmap& bitmap) {
  return QImage(reinterpret_cast<const uchar*>(bitmap.Bits()), bitmap.Width(), bitmap.Height(),
                bitmap.Stride(), QImage::Format_RGB32)
      .copy();
}

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
struct Backdrop {
  TForm form;
  Backdrop() {
    form.SetColor(ToPixel(clBtnFace));
    form.HostResize({409, 305}, 1);
  }
};

// The main window without its handlers: the pictures set each state's texts themselves.
class StillWindow : public app::TFRMUPDATE {
public:
  explicit StillWindow(platform::TApplication& application)
      : TFRMUPDATE(application, false, app::PublisherHost()) {}
  void KvButton5Click() override {}
};

// The window's client area as the update attempt leaves it in `state`.
QImage RenderWindow(platform::TApplication& application, const std::string& state) {
  using namespace app;
  StillWindow window(application);
  window.KvButton5->SetEnabled(false);
  if (state == "failed") {
    window.Label9->SetCaption(texts::Checking);
  } else {
    const std::string url = VersionURL(PublisherHost());
    window.KvURLLabel1->SetCaption(url);
    window.KvURLLabel1->SetURL(url);
    const bool current = state == "current";
    window.Label9->SetCaption(current ? texts::Current : texts::Downloading);
    window.Label13->SetCaption(std::string(texts::VersionPrefix) + UpdaterVersion);
    window.Label14->SetCaption(std::string(texts::VersionPrefix) +
                               (current ? UpdaterVersion : "1.0.0.1"));
    if (!current)
      window.HTTPFetchFileProgress(3240258, 1620129);
  }
  window.Show();
  QApplication::processEvents();
  return ToImage(window.HostPaint());
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

  for (int percent : {0, 50, 100}) {
    TKvProgressBar bar;
    bar.SetFont(WindowFont(11));
    app::ApplyWindowProgressBarValues(bar);
    bar.SetTotalParts(100);
    bar.SetPartsComplete(static_cast<std::uint32_t>(percent));
    save(ToImage(bar.Render()), QStringLiteral("progress-%1.png").arg(percent),
         QStringLiteral("progress bar, %1 %").arg(percent));
  }

  {
    auto& panel = window.form.AddControl<TKvPanel>();
    panel.SetBounds(0, 0, 409, 48);
    panel.SetFont(WindowFont(11));
    panel.SetBorderOuter(fsNone);
    panel.SetVisualStyle(vsGradient);
    save(ToImage(panel.Render()), QStringLiteral("panel.png"), QStringLiteral("header panel"));
    window.form.RemoveControl(panel);
  }

  const std::pair<std::string, int> boxes[] = {{"Güncelleme Durum Bilgileri", 114},
                                               {"Güncelleme Bilgileri", 57}};
  int boxIndex = 1;
  for (const auto& [caption, height] : boxes) {
    auto& box = window.form.AddControl<TKvGroupBox>();
    box.SetBounds(0, 48, 409, height);
    box.SetFont(WindowFont(11, true));
    box.SetCaption(caption);
    box.SetGroupStyle(gsBanner);
    box.SetVisualStyle(vsGradient);
    box.SetColor(clWhite);
    box.SetTransparent(true);
    save(ToImage(box.Render()), QStringLiteral("groupbox-%1.png").arg(boxIndex),
         QStringLiteral("group box \"%1\"").arg(QString::fromStdString(caption)));
    window.form.RemoveControl(box);
    ++boxIndex;
  }

  for (const std::string state : {"unvisited", "visited", "disabled"}) {
    TKvURLLabel label;
    label.SetBounds(7, 38, label.Width(), label.Height());
    label.SetFont(WindowFont(11, true, true));
    label.SetTransparent(true);
    label.SetCaption("http://www.kolvarin.example/programlar/radyo/kolvarin.txt");
    label.SetVisited(state == "visited");
    label.SetEnabled(state != "disabled");
    platform::TBitmap image(label.Width(), label.Height(), ToPixel(clBtnFace));
    TCanvas canvas(image);
    label.PaintOn(canvas);
    const QString which = QString::fromStdString(state);
    save(ToImage(image), QStringLiteral("urllabel-%1.png").arg(which),
         QStringLiteral("URL label, %1").arg(which));
  }

  const std::tuple<std::string, QString, int> buttons[] = {
      {"Güncelle", QStringLiteral("guncelle"), 75},
      {"Manuel Güncelle", QStringLiteral("manuel"), 105},
      {"Vazgeç", QStringLiteral("vazgec"), 75}};
  for (const auto& [caption, file, width] : buttons) {
    for (const std::string state : {"normal", "hot", "pressed", "focused", "disabled"}) {
      Backdrop backdrop;
      auto& button = backdrop.form.AddControl<TKvButton>();
      button.SetBounds(7, 268, width, 25);
      button.SetFont(WindowFont(11));
      button.SetCaption(caption);
      button.SetHotTrack(true);
      if (state == "hot") {
        backdrop.form.HostMouseMove({7 + 5, 268 + 5}, 0);
      } else if (state == "pressed") {
        backdrop.form.HostMouseMove({7 + 5, 268 + 5}, 0);
        backdrop.form.HostMouseDown(platform::TMouseButton::Left, {7 + 5, 268 + 5}, 0);
      } else if (state == "focused") {
        // Focused from the keyboard: the focus frame shows.
        backdrop.form.SetCuesShown(true);
        button.SetFocus();
      } else if (state == "disabled") {
        button.SetEnabled(false);
      }
      const QString which = QString::fromStdString(state);
      save(ToImage(button.Render()), QStringLiteral("button-%1-%2.png").arg(file, which),
           QStringLiteral("button \"%1\", %2").arg(QString::fromStdString(caption), which));
    }
  }

  for (const auto& [state, title] :
       {std::pair{std::string("current"), QStringLiteral("the player is current")},
        std::pair{std::string("downloading"), QStringLiteral("a download at 50 %")},
        std::pair{std::string("failed"), QStringLiteral("after a failed check")}})
    save(RenderWindow(application, state),
         QStringLiteral("window-%1.png").arg(QString::fromStdString(state)),
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
