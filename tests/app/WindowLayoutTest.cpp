#include "app/TFRMUPDATE.h"
#include "app/WindowControls.h"
#include "controls/TKvButton.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/Application.h"

#include <gtest/gtest.h>
#include <optional>
#include <typeinfo>

namespace {

using namespace controls;

class LayoutForm : public app::TFRMUPDATE {
public:
  LayoutForm() : TFRMUPDATE(*platform::TApplication::Instance(), false, app::PublisherAt("kolvarin-test.example")) {}
  // The window as it is created, before any update attempt.
  void KvButton5Click() override {}
};

struct Font {
  int pixelSize;
  bool bold;
  bool underline = false;
};

struct Row {
  const char* name;
  TControl* control;
  const std::type_info& type;
  TControl* parent;
  platform::TRect place; // (left, top, width, height); an empty size: the label sizes itself
  std::string caption;
  Font font; // a pixel size of 0: the control has no font
  std::optional<TColor> color; // of the text, for the controls that have one
  bool visible = true;
  bool enabled = true;
};

std::string CaptionOf(TControl* control) {
  if (auto* label = dynamic_cast<TKvLabel*>(control))
    return label->Caption();
  if (auto* button = dynamic_cast<TKvCustomButton*>(control))
    return button->Caption();
  if (auto* panel = dynamic_cast<TKvCustomPanel*>(control))
    return panel->Caption();
  return {};
}

std::optional<platform::TFontSpec> FontOf(TControl* control) {
  if (auto* label = dynamic_cast<TKvLabel*>(control))
    return label->Font();
  if (auto* button = dynamic_cast<TKvCustomButton*>(control))
    return button->Font();
  if (auto* panel = dynamic_cast<TKvCustomPanel*>(control))
    return panel->Font();
  if (auto* bar = dynamic_cast<TKvCustomProgressBar*>(control))
    return bar->Font();
  return {};
}

TEST(WindowLayout, EveryControlAsTheLayoutLists) {
  LayoutForm form;
  const std::string none;
  const Row rows[] = {
      {"KvPanel1", form.KvPanel1, typeid(TKvPanel), &form, {0, 0, 409, 48}, none, {11, false}, {}},
      {"Image2", form.Image2, typeid(*form.Image2), form.KvPanel1, {0, 0, 48, 48}, none, {0, false}, {}},
      {"Label9", form.Label9, typeid(TKvLabel), form.KvPanel1, {48, 0, 361, 48},
       "Lütfen Bekleyiniz...", {13, true}, clWindowText},
      {"KvGroupBox1", form.KvGroupBox1, typeid(TKvGroupBox), &form, {0, 48, 409, 114},
       "Güncelleme Durum Bilgileri", {11, true}, {}},
      {"Label2", form.Label2, typeid(TKvLabel), form.KvGroupBox1, {7, 22, 0, 0},
       "Dosya İndirme Sayfası", {12, true}, clWindowText},
      {"KvURLLabel1", form.KvURLLabel1, typeid(TKvURLLabel), form.KvGroupBox1, {7, 38, 0, 0},
       none, {11, true, true}, clHighlight},
      {"Label3", form.Label3, typeid(TKvLabel), form.KvGroupBox1, {7, 57, 0, 0},
       "Dosya Boyutu :", {12, true}, clWindowText},
      {"Label4", form.Label4, typeid(TKvLabel), form.KvGroupBox1, {7, 76, 0, 0},
       "İndirilen Boyut :", {12, true}, clWindowText},
      {"Label5", form.Label5, typeid(TKvLabel), form.KvGroupBox1, {7, 95, 0, 0},
       "Kalan Zaman :", {12, true}, clWindowText},
      {"Label6", form.Label6, typeid(TKvLabel), form.KvGroupBox1, {110, 57, 0, 0}, none,
       {12, false}, clWindowText},
      {"Label7", form.Label7, typeid(TKvLabel), form.KvGroupBox1, {110, 76, 0, 0}, none,
       {12, false}, clWindowText},
      {"Label8", form.Label8, typeid(TKvLabel), form.KvGroupBox1, {110, 95, 0, 0}, none,
       {12, false}, clWindowText},
      {"KvProgressBar1", form.KvProgressBar1, typeid(TKvProgressBar), &form, {0, 162, 409, 24},
       none, {11, false}, {}},
      {"KvGroupBox2", form.KvGroupBox2, typeid(TKvGroupBox), &form, {0, 186, 409, 57},
       "Güncelleme Bilgileri", {11, true}, {}},
      {"Label10", form.Label10, typeid(TKvLabel), form.KvGroupBox2, {7, 23, 0, 0},
       "Mevcut Sürüm :", {12, true}, clWindowText},
      {"Label11", form.Label11, typeid(TKvLabel), form.KvGroupBox2, {7, 42, 0, 0},
       "Yeni Sürüm : ", {12, true}, clWindowText},
      {"Label13", form.Label13, typeid(TKvLabel), form.KvGroupBox2, {110, 23, 0, 0}, none,
       {12, false}, clWindowText},
      {"Label14", form.Label14, typeid(TKvLabel), form.KvGroupBox2, {110, 42, 0, 0}, none,
       {12, false}, clWindowText},
      {"Bevel1", form.Bevel1, typeid(*form.Bevel1), &form, {0, 255, 409, 50}, none, {0, false}, {}},
      {"KvButton5", form.KvButton5, typeid(TKvButton), &form, {7, 268, 75, 25},
       "&Güncelle", {11, false}, clWindowText},
      {"KvButton6", form.KvButton6, typeid(TKvButton), &form, {151, 268, 105, 25},
       "&Manuel Güncelle", {11, false}, clWindowText, true, false},
      {"KvButton1", form.KvButton1, typeid(TKvButton), &form, {319, 268, 75, 25},
       "&Vazgeç", {11, false}, clWindowText},
      {"Label1", form.Label1, typeid(TKvLabel), &form, {324, 30, 0, 0},
       "Label1", {11, false}, clWindowText, false},
  };
  form.Show();
  EXPECT_EQ(form.Width(), 409);
  EXPECT_EQ(form.Height(), 305);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_NE(row.control, nullptr);
    EXPECT_EQ(typeid(*row.control), row.type);
    EXPECT_EQ(row.control->Parent(), row.parent);
    EXPECT_EQ(row.control->Left(), row.place.Left);
    EXPECT_EQ(row.control->Top(), row.place.Top);
    // The rectangle's Right and Bottom stand for the width and height here.
    if (row.place.Right > 0) {
      EXPECT_EQ(row.control->Width(), row.place.Right);
      EXPECT_EQ(row.control->Height(), row.place.Bottom);
    }
    EXPECT_EQ(CaptionOf(row.control), row.caption);
    const std::optional<platform::TFontSpec> font = FontOf(row.control);
    ASSERT_EQ(font.has_value(), row.font.pixelSize != 0);
    if (font) {
      EXPECT_EQ(font->Name, "Tahoma");
      EXPECT_EQ(font->Height, row.font.pixelSize);
      EXPECT_EQ(font->Bold, row.font.bold);
      EXPECT_EQ(font->Underline, row.font.underline);
    }
    if (row.color) {
      if (auto* label = dynamic_cast<TKvLabel*>(row.control)) {
        EXPECT_EQ(label->FontColor(), *row.color);
      }
      if (auto* button = dynamic_cast<TKvCustomButton*>(row.control)) {
        EXPECT_EQ(button->FontColor(), *row.color);
      }
    }
    EXPECT_EQ(row.control->Visible(), row.visible);
    EXPECT_EQ(row.control->Enabled(), row.enabled);
    if (auto* label = dynamic_cast<TKvLabel*>(row.control);
        label && row.name != std::string("Label1")) {
      EXPECT_TRUE(label->Transparent());
    }
  }
  // Before the version file has answered, Tab stops at the buttons only, in the order
  // Güncelle, Manuel Güncelle, Vazgeç (the page's link follows once it has an address: the
  // keyboard tests); Alt and a button's first letter press it, Escape is Vazgeç.
  std::vector<TControl*> focusable = TabOrderList(form);
  std::erase_if(focusable, [](TControl* each) { return !each->AcceptsFocus() || !each->TabStop(); });
  EXPECT_EQ(focusable, (std::vector<TControl*>{form.KvButton5, form.KvButton6, form.KvButton1}));
  EXPECT_EQ(form.KvButton5->Accelerator(), U'G');
  EXPECT_EQ(form.KvButton6->Accelerator(), U'M');
  EXPECT_EQ(form.KvButton1->Accelerator(), U'V');
  EXPECT_EQ(form.CancelControl(), form.KvButton1);
  form.Hide();
}

TEST(WindowLayout, TheFramedWindowIsCentred) {
  const platform::TRect screen{0, 0, 1024, 768};
  const struct {
    platform::TRect frame;
    platform::TPoint corner;
  } cases[] = {
      {{0, 0, 0, 0}, {307, 231}},   // no frame: the client area is centred
      {{4, 23, 4, 4}, {303, 218}},  // a title bar of 23 and borders of 4
      {{1, 30, 1, 1}, {306, 216}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::CentredWindowPosition(screen, {409, 305}, c.frame), c.corner) << c.frame.Top;
  EXPECT_EQ(platform::CentredWindowPosition({1920, 0, 1920 + 1280, 1024}, {409, 305}, {4, 23, 4, 4}),
            (platform::TPoint{1920 + 431, 346}));
}

} // namespace
