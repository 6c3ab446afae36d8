#include "app/TFRMUPDATE.h"

#include "app/UpdateTexts.h"
#include "app/WindowControls.h"
#include "controls/TKvButton.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "platform/ProgramIcon.h"

namespace app {

using namespace controls;
using platform::TFontSpec;

TFRMUPDATE* FRMUPDATE = nullptr;

namespace {

// The window's font, Tahoma, at a pixel size.
TFontSpec WindowFont(int pixelSize, bool bold = false, bool underline = false) {
  return {"Tahoma", pixelSize, bold, underline};
}

// The window's icon, centred in its area, over the panel's shading.
class IconImage2 : public TControl {
protected:
  void Paint(TCanvas& canvas) override {
    // Between whole scales the icon is drawn at its size on the device, not stretched.
    const int size =
        canvas.Dpi() % platform::BaseDpi == 0 ? 32 : platform::ScaledLength(32, canvas.Dpi());
    if (m_icon.IsEmpty() || m_icon.Width() != size)
      m_icon = platform::ProgramIconBitmap(size);
    if (size == 32)
      canvas.Blend((Width() - m_icon.Width()) / 2, (Height() - m_icon.Height()) / 2, m_icon);
    else
      canvas.BlendDevicePicture(ClientRect(), m_icon);
  }

private:
  platform::TBitmap m_icon;
};

// A bevel that draws one lowered (etched) line along its top edge.
class EtchedBevel : public TControl {
protected:
  void Paint(TCanvas& canvas) override {
    canvas.Line(0, 0, Width(), 0, clBtnShadow);
    canvas.Line(0, 1, Width(), 1, clBtnHighlight);
  }
};

// The labels' text is the user's window text: black in the classic scheme, and readable in
// every other scheme over the window's colour.
TKvLabel* MakeLabel(TControl& parent, int left, int top, const std::string& caption,
                    const TFontSpec& font, TColor color = clWindowText) {
  auto& label = parent.AddControl<TKvLabel>();
  label.SetTransparent(true);
  label.SetFontColor(color);
  label.SetFont(font);
  label.SetBounds(left, top, label.Width(), label.Height());
  label.SetCaption(caption);
  return &label;
}

TKvButton* MakeButton(TControl& parent, const platform::TRect& place, const std::string& caption,
                      const TFontSpec& font) {
  auto& button = parent.AddControl<TKvButton>();
  button.SetBounds(place);
  button.SetFont(font);
  button.SetCaption(caption);
  button.SetHotTrack(true);
  return &button;
}

} // namespace

TFRMUPDATE::TFRMUPDATE(platform::TApplication& application, RunKind kind)
    : TFRMUPDATE(application, false, ConfiguredPublisher()) {
  m_flow.UseRunKind(kind);
  m_application.Dispatch([this] { FormCreate(); });
}

TFRMUPDATE::TFRMUPDATE(platform::TApplication& application, bool runFormCreate, PublisherSite site)
    : m_application(application), m_flow(application, sget, HTTPFetchFile, *this, std::move(site)) {
  CreateHost();
  SetCaption(application.Title());
  SetColor(ToPixel(clBtnFace));
  Host()->SetIcon(platform::ProgramIconSizes());
  SetClientSize({ClientWidth, ClientHeight});
  // Until the host reports its size (a host that shows nothing reports none), the form has it.
  HostResize({ClientWidth, ClientHeight}, Host()->Dpi());
  BuildLayout();
  application.RegisterForm(Host());
  if (!FRMUPDATE)
    FRMUPDATE = this;
  if (runFormCreate)
    m_application.Dispatch([this] { FormCreate(); });
}

TFRMUPDATE::~TFRMUPDATE() {
  if (FRMUPDATE == this)
    FRMUPDATE = nullptr;
}

void TFRMUPDATE::BuildLayout() {
  const TFontSpec windowFont = WindowFont(11);
  const TFontSpec captionFont = WindowFont(12, true);
  const TFontSpec valueFont = WindowFont(12);

  KvPanel1 = &AddControl<TKvPanel>();
  KvPanel1->SetBounds(0, 0, 409, 48);
  KvPanel1->SetFont(windowFont);
  KvPanel1->SetBorderOuter(fsNone);
  KvPanel1->SetVisualStyle(vsGradient);
  Image2 = &KvPanel1->AddControl<IconImage2>();
  Image2->SetBounds(0, 0, 48, 48);
  Label9 = &KvPanel1->AddControl<TKvLabel>();
  Label9->SetAutoSize(false);
  Label9->SetTransparent(true);
  Label9->SetBounds(48, 0, 361, 48);
  Label9->SetFont(WindowFont(13, true));
  Label9->SetTextAlignment(tfCenter | tfVCenter);
  Label9->SetCaption(texts::Waiting);

  KvGroupBox1 = &AddControl<TKvGroupBox>();
  KvGroupBox1->SetBounds(0, 48, 409, 114);
  KvGroupBox1->SetFont(WindowFont(11, true));
  KvGroupBox1->SetCaption("Güncelleme Durum Bilgileri");
  KvGroupBox1->SetGroupStyle(gsBanner);
  KvGroupBox1->SetVisualStyle(vsGradient);
  KvGroupBox1->SetColor(clWhite);
  KvGroupBox1->SetTransparent(true);
  Label2 = MakeLabel(*KvGroupBox1, 7, 22, "Dosya İndirme Sayfası", captionFont);
  KvURLLabel1 = &KvGroupBox1->AddControl<TKvURLLabel>();
  KvURLLabel1->SetTransparent(true);
  KvURLLabel1->SetFont(WindowFont(11, true, true));
  KvURLLabel1->SetBounds(7, 38, KvURLLabel1->Width(), KvURLLabel1->Height());
  // Tab reaches the link once it has an address (ShowVersionFile).
  KvURLLabel1->SetTabStop(false);
  KvURLLabel1->SetAcceptsFocus(false);
  Label3 = MakeLabel(*KvGroupBox1, 7, 57, "Dosya Boyutu :", captionFont);
  Label4 = MakeLabel(*KvGroupBox1, 7, 76, "İndirilen Boyut :", captionFont);
  Label5 = MakeLabel(*KvGroupBox1, 7, 95, "Kalan Zaman :", captionFont);
  Label6 = MakeLabel(*KvGroupBox1, 110, 57, "", valueFont);
  Label7 = MakeLabel(*KvGroupBox1, 110, 76, "", valueFont);
  Label8 = MakeLabel(*KvGroupBox1, 110, 95, "", valueFont);

  KvProgressBar1 = &AddControl<TKvProgressBar>();
  KvProgressBar1->SetFont(windowFont);
  ApplyWindowProgressBarValues(*KvProgressBar1);

  KvGroupBox2 = &AddControl<TKvGroupBox>();
  KvGroupBox2->SetBounds(0, 186, 409, 57);
  KvGroupBox2->SetFont(WindowFont(11, true));
  KvGroupBox2->SetCaption("Güncelleme Bilgileri");
  KvGroupBox2->SetGroupStyle(gsBanner);
  KvGroupBox2->SetVisualStyle(vsGradient);
  KvGroupBox2->SetColor(clWhite);
  KvGroupBox2->SetTransparent(true);
  Label10 = MakeLabel(*KvGroupBox2, 7, 23, "Mevcut Sürüm :", captionFont);
  Label11 = MakeLabel(*KvGroupBox2, 7, 42, "Yeni Sürüm : ", captionFont);
  Label13 = MakeLabel(*KvGroupBox2, 110, 23, "", valueFont);
  Label14 = MakeLabel(*KvGroupBox2, 110, 42, "", valueFont);

  Bevel1 = &AddControl<EtchedBevel>();
  Bevel1->SetBounds(0, 255, 409, 50);
  // Alt and the first letter of each button presses it; the letter is underlined only while
  // the keyboard cues show, so the captions look as they always have.
  KvButton5 = MakeButton(*this, {7, 268, 7 + 75, 268 + 25}, "&Güncelle", windowFont);
  KvButton6 = MakeButton(*this, {151, 268, 151 + 105, 268 + 25}, "&Manuel Güncelle", windowFont);
  KvButton6->SetEnabled(false);
  KvButton1 = MakeButton(*this, {319, 268, 319 + 75, 268 + 25}, "&Vazgeç", windowFont);
  // Escape is Vazgeç.
  KvButton1->SetCancel(true);
  Label1 = MakeLabel(*this, 324, 30, "Label1", windowFont, clWindowText);
  Label1->SetVisible(false);

  // A screen reader reads each value with the caption beside it ("Dosya Boyutu: 3240258 Kb"),
  // the link with the caption above it, and the bar with its group's.
  KvURLLabel1->SetAccessibleLabel(Label2);
  Label6->SetAccessibleLabel(Label3);
  Label7->SetAccessibleLabel(Label4);
  Label8->SetAccessibleLabel(Label5);
  Label13->SetAccessibleLabel(Label10);
  Label14->SetAccessibleLabel(Label11);
  KvProgressBar1->SetAccessibleLabel(KvGroupBox1);

  // Tab visits the three buttons in their order, then the link in the first group box; the
  // first focus stays on a button, as it always was.
  KvButton5->SetTabOrder(0);
  KvButton6->SetTabOrder(1);
  KvButton1->SetTabOrder(2);
  KvGroupBox1->SetTabOrder(3);
  KvButton5->OnClick = [this](TKvCustomButton*) {
    m_application.Dispatch([this] { KvButton5Click(); });
  };
  KvButton1->OnClick = [this](TKvCustomButton*) { KvButton1Click(); };
  OnClose = [this] { m_application.Dispatch([this] { FormClose(); }); };

  HTTPFetchFile.OnProgress = [this](download::THTTPFetchThread*, int total, int readed) {
    HTTPFetchFileProgress(total, readed);
  };
  HTTPFetchFile.OnDoneFile = [this](download::THTTPFetch*, const std::string&, int) {
    HTTPFetchFileDoneFile();
  };
  HTTPFetchFile.OnError = [this](download::THTTPFetch*) { HTTPFetchFileError(); };
}

void TFRMUPDATE::FormCreate() {
  m_flow.Begin();
}

void TFRMUPDATE::FormShow() {
  KvButton5Click();
}

void TFRMUPDATE::FormClose() {
  m_application.Terminate();
}

void TFRMUPDATE::KvButton1Click() {
  Close();
}

void TFRMUPDATE::KvButton5Click() {
  m_flow.Check();
}

void TFRMUPDATE::HTTPFetchFileProgress(int totalSize, int readed) {
  m_flow.DownloadProgress(totalSize, readed);
}

void TFRMUPDATE::HTTPFetchFileDoneFile() {
  m_flow.DownloadDone();
}

void TFRMUPDATE::HTTPFetchFileError() {
  m_flow.DownloadFailed();
}

void TFRMUPDATE::UpdateRemainingTime() {
  Label1->SetCaption(
      RemainingTimeText(KvProgressBar1->TotalParts(), KvProgressBar1->PartsComplete()));
}

void TFRMUPDATE::ShowStatus(const char* status) {
  Label9->SetCaption(status);
}

void TFRMUPDATE::ShowCheckBegun() {
  KvButton5->SetEnabled(false);
}

void TFRMUPDATE::ShowVersionFile(const std::string& url) {
  KvURLLabel1->SetCaption(url);
  KvURLLabel1->SetURL(url);
  KvURLLabel1->SetAcceptsFocus(!url.empty());
  KvURLLabel1->SetTabStop(!url.empty());
}

void TFRMUPDATE::SystemColorsChanged() {
  SetColor(ToPixel(clBtnFace));
}

void TFRMUPDATE::ShowVersions(const std::string& current, const std::string& published) {
  Label13->SetCaption(texts::VersionPrefix + current);
  Label14->SetCaption(texts::VersionPrefix + published);
}

void TFRMUPDATE::ShowProgress(int totalSize, int readed, const std::string& remainingTime) {
  KvProgressBar1->SetTotalParts(static_cast<std::uint32_t>(totalSize));
  KvProgressBar1->SetPartsComplete(static_cast<std::uint32_t>(readed));
  Label7->SetCaption(std::to_string(readed) + texts::Kb);
  Label6->SetCaption(std::to_string(totalSize) + texts::Kb);
  // The hidden label keeps the last remaining time, as the window always has; the flow composed
  // it once for this event.
  Label1->SetCaption(remainingTime);
  Label8->SetCaption(remainingTime);
}

void TFRMUPDATE::Tell(const char* message) {
  platform::ShowMessageBox(message);
}

void TFRMUPDATE::Finished() {
  m_application.Terminate();
}

void TFRMUPDATE::Show() {
  // An elevated run does the update, or the flow ended before it began.
  if (!m_flow.WantsWindow())
    return;
  if (!Shown()) {
    m_application.Dispatch([this] { FormShow(); });
    Host()->CentreOnScreen();
  }
  TForm::Show();
}

} // namespace app
