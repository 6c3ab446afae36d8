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
#include "platform/Files.h"
#include "platform/WindowHost.h"
#include "tools/PictureFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

namespace tools {

namespace {

using namespace controls;

platform::TFontSpec WindowFont(int pixelSize, bool bold = false, bool underline = false) {
  return {"Tahoma", pixelSize, bold, underline};
}

const char* const Help =
    "usage: kolvarin-tool render DIR\n"
    "\n"
    "Draws every self-drawn control of the updater's window in each of its states, at the\n"
    "window's sizes and with the classic colour scheme, into DIR as PNG files, with an\n"
    "index.html that shows them side by side; also the whole window (its client area) when\n"
    "the player is current, during a download and after a failed check.\n";

struct Picture {
  std::string file;
  std::string title;
};

std::string HtmlEscaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
    case '<':
      escaped += "&lt;";
      break;
    case '>':
      escaped += "&gt;";
      break;
    case '&':
      escaped += "&amp;";
      break;
    case '"':
      escaped += "&quot;";
      break;
    default:
      escaped += c;
    }
  }
  return escaped;
}

// Makes the folder and every missing folder above it; false when it cannot be made.
bool MakeFolder(const std::string& folder) {
  try {
    const std::filesystem::path path(std::u8string(folder.begin(), folder.end()));
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
  } catch (const std::exception&) {
    // A name the system cannot hold.
    return false;
  }
}

// A stand-in for the window: clBtnFace, as the controls' parent.
struct Backdrop {
  TForm form;
  Backdrop() {
    form.SetColor(ToPixel(clBtnFace));
    form.HostResize({409, 305}, platform::BaseDpi);
  }
};

// A host without a window on the screen, at the dpi of the platform's: the window's states are
// drawn, never shown.
class PictureHost final : public platform::TWindowHost {
public:
  explicit PictureHost(int dpi) : m_dpi(dpi) {}
  void Show() override { m_visible = true; }
  void Hide() override { m_visible = false; }
  bool Visible() const override { return m_visible; }
  void SetTitle(const std::string&) override {}
  void SetClientSize(platform::TSize) override {}
  void SetPosition(platform::TPoint) override {}
  int Dpi() const override { return m_dpi; }
  void Invalidate(const platform::TRect&) override {}
  void SetCursor(platform::TCursor) override {}
  void SetCapture(bool) override {}

private:
  int m_dpi;
  bool m_visible = false;
};

// The main window without its handlers: the pictures set each state's texts themselves.
class StillWindow : public app::TFRMUPDATE {
public:
  explicit StillWindow(platform::TApplication& application)
      : TFRMUPDATE(application, false, app::ConfiguredPublisher()) {
    SetHost(std::make_unique<PictureHost>(Host()->Dpi()));
  }
  void KvButton5Click() override {}
};

// The window's client area as the update attempt leaves it in `state`.
platform::TBitmap RenderWindow(platform::TApplication& application, const std::string& state) {
  using namespace app;
  StillWindow window(application);
  window.KvButton5->SetEnabled(false);
  if (state == "failed") {
    window.Label9->SetCaption(texts::Checking);
  } else {
    const std::string url = VersionURL(ConfiguredPublisher());
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
  application.ProcessMessages();
  return window.HostPaint();
}

} // namespace

int RunRender(int argc, char** argv) {
  if (argc != 1 || argv[0][0] == '-') {
    std::fputs(Help, argc == 1 ? stdout : stderr);
    return argc == 1 ? 0 : 2;
  }
  const std::string folder = argv[0];
  DrawWindowsOffScreen();
  int argcApplication = 1;
  char name[] = "kolvarin-tool";
  char* argvApplication[] = {name, nullptr};
  platform::TApplication application(argcApplication, argvApplication);
  SetColorScheme(ColorScheme::Classic);
  SetFullColor(true);
  if (!MakeFolder(folder)) {
    std::fprintf(stderr, "kolvarin-tool render: cannot create %s\n", folder.c_str());
    return 1;
  }
  std::vector<Picture> pictures;
  const auto save = [&](const platform::TBitmap& image, const std::string& file,
                        const std::string& title) {
    if (!WritePng(image, folder + '/' + file)) {
      std::fprintf(stderr, "kolvarin-tool render: cannot write %s\n", file.c_str());
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
    save(bar.Render(), "progress-" + std::to_string(percent) + ".png",
         "progress bar, " + std::to_string(percent) + " %");
  }

  {
    auto& panel = window.form.AddControl<TKvPanel>();
    panel.SetBounds(0, 0, 409, 48);
    panel.SetFont(WindowFont(11));
    panel.SetBorderOuter(fsNone);
    panel.SetVisualStyle(vsGradient);
    save(panel.Render(), "panel.png", "header panel");
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
    save(box.Render(), "groupbox-" + std::to_string(boxIndex) + ".png",
         "group box \"" + caption + "\"");
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
    save(image, "urllabel-" + state + ".png", "URL label, " + state);
  }

  const std::tuple<std::string, std::string, int> buttons[] = {
      {"Güncelle", "guncelle", 75}, {"Manuel Güncelle", "manuel", 105}, {"Vazgeç", "vazgec", 75}};
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
      save(button.Render(), "button-" + file + "-" + state + ".png",
           "button \"" + caption + "\", " + state);
    }
  }

  for (const auto& [state, title] :
       {std::pair<std::string, std::string>{"current", "the player is current"},
        {"downloading", "a download at 50 %"},
        {"failed", "after a failed check"}})
    save(RenderWindow(application, state), "window-" + state + ".png", "the window, " + title);

  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<title>Kolvarin Updater controls</title><style>body{font-family:sans-serif;background:#eee}"
      "figure{display:inline-block;margin:12px;vertical-align:top}"
      "img{image-rendering:pixelated;border:1px solid #888}</style></head><body>\n"
      "<h1>Kolvarin Updater: the self-drawn controls</h1>\n";
  for (const Picture& picture : pictures) {
    const std::string title = HtmlEscaped(picture.title);
    html += "<figure><img src=\"" + picture.file + "\" alt=\"" + title + "\"><figcaption>" + title +
            "</figcaption></figure>\n";
  }
  html += "</body></html>\n";
  try {
    platform::TWriteFile index;
    index.Create(folder + "/index.html");
    index.Write(html.data(), html.size());
    index.Close();
  } catch (const platform::EFileError&) {
    std::fprintf(stderr, "kolvarin-tool render: cannot write index.html\n");
    return 1;
  }
  std::printf("rendered %s pictures into %s\n", std::to_string(pictures.size()).c_str(),
              folder.c_str());
  return 0;
}

} // namespace tools
