#include "app/TFRMUPDATE.h"
#include "app/WindowControls.h"
#include "controls/TKvButton.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/posix/WindowFonts.h"
#include "platform/Application.h"

#include <QFontInfo>
#include <gtest/gtest.h>
#include <typeinfo>

namespace {

using namespace controls;
using platform::RegisterWindowFonts;

class LayoutForm : public app::TFRMUPDATE {
public:
  LayoutForm() : TFRMUPDATE(*platform::TApplication::Instance(), false, "kolvarin-test.example") {}
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
  QWidget* control;
  const std::type_info& type;
  QWidget* parent;
  QRect place; // an empty size: the label sizes itself
  QString caption;
  Font font;
  std::optional<TColor> color; // of the text, for the controls that have one
  bool visible = true;
  bool enabled = true;
};

QString CaptionOf(QWidget* control) {
  if (auto* label = dynamic_cast<TKvLabel*>(control))
    return label->Caption();
  if (auto* button = dynamic_cast<TKvCustomButton*>(control))
    return button->Caption();
  if (auto* panel = dynamic_cast<TKvCustomPanel*>(control))
    return panel->Caption();
  return {};
}

TEST(WindowLayout, EveryControlAsTheLayoutLists) {
  LayoutForm form;
  const QString none;
  const Row rows[] = {
      {"KvPanel1", form.KvPanel1, typeid(TKvPanel), &form, {0, 0, 409, 48}, none, {11, false}, {}},
      {"Image2", form.Image2, typeid(*form.Image2), form.KvPanel1, {0, 0, 48, 48}, none,
       {11, false}, {}},
      {"Label9", form.Label9, typeid(TKvLabel), form.KvPanel1, {48, 0, 361, 48},
       QStringLiteral("Lütfen Bekleyiniz..."), {13, true}, clWindowText},
      {"KvGroupBox1", form.KvGroupBox1, typeid(TKvGroupBox), &form, {0, 48, 409, 114},
       QStringLiteral("Güncelleme Durum Bilgileri"), {11, true}, {}},
      {"Label2", form.Label2, typeid(TKvLabel), form.KvGroupBox1, {7, 22, 0, 0},
       QStringLiteral("Dosya İndirme Sayfası"), {12, true}, clBlack},
      {"KvURLLabel1", form.KvURLLabel1, typeid(TKvURLLabel), form.KvGroupBox1, {7, 38, 0, 0},
       none, {11, true, true}, clHighlight},
      {"Label3", form.Label3, typeid(TKvLabel), form.KvGroupBox1, {7, 57, 0, 0},
       QStringLiteral("Dosya Boyutu :"), {12, true}, clBlack},
      {"Label4", form.Label4, typeid(TKvLabel), form.KvGroupBox1, {7, 76, 0, 0},
       QStringLiteral("İndirilen Boyut :"), {12, true}, clBlack},
      {"Label5", form.Label5, typeid(TKvLabel), form.KvGroupBox1, {7, 95, 0, 0},
       QStringLiteral("Kalan Zaman :"), {12, true}, clBlack},
      {"Label6", form.Label6, typeid(TKvLabel), form.KvGroupBox1, {110, 57, 0, 0}, none,
       {12, false}, clBlack},
      {"Label7", form.Label7, typeid(TKvLabel), form.KvGroupBox1, {110, 76, 0, 0}, none,
       {12, false}, clBlack},
      {"Label8", form.Label8, typeid(TKvLabel), form.KvGroupBox1, {110, 95, 0, 0}, none,
       {12, false}, clBlack},
      {"KvProgressBar1", form.KvProgressBar1, typeid(TKvProgressBar), &form, {0, 162, 409, 24},
       none, {11, false}, {}},
      {"KvGroupBox2", form.KvGroupBox2, typeid(TKvGroupBox), &form, {0, 186, 409, 57},
       QStringLiteral("Güncelleme Bilgileri"), {11, true}, {}},
      {"Label10", form.Label10, typeid(TKvLabel), form.KvGroupBox2, {7, 23, 0, 0},
       QStringLiteral("Mevcut Sürüm :"), {12, true}, clBlack},
      {"Label11", form.Label11, typeid(TKvLabel), form.KvGroupBox2, {7, 42, 0, 0},
       QStringLiteral("Yeni Sürüm : "), {12, true}, clBlack},
      {"Label13", form.Label13, typeid(TKvLabel), form.KvGroupBox2, {110, 23, 0, 0}, none,
       {12, false}, clBlack},
      {"Label14", form.Label14, typeid(TKvLabel), form.KvGroupBox2, {110, 42, 0, 0}, none,
       {12, false}, clBlack},
      {"Bevel1", form.Bevel1, typeid(*form.Bevel1), &form, {0, 255, 409, 50}, none, {11, false},
       {}},
      {"KvButton5", form.KvButton5, typeid(TKvButton), &form, {7, 268, 75, 25},
       QStringLiteral("Güncelle"), {11, false}, clWindowText},
      {"KvButton6", form.KvButton6, typeid(TKvButton), &form, {151, 268, 105, 25},
       QStringLiteral("Manuel Güncelle"), {11, false}, clWindowText, true, false},
      {"KvButton1", form.KvButton1, typeid(TKvButton), &form, {319, 268, 75, 25},
       QStringLiteral("Vazgeç"), {11, false}, clWindowText},
      {"Label1", form.Label1, typeid(TKvLabel), &form, {324, 30, 0, 0},
       QStringLiteral("Label1"), {11, false}, clWindowText, false},
  };
  form.show();
  EXPECT_EQ(form.size(), QSize(409, 305));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_NE(row.control, nullptr);
    EXPECT_EQ(typeid(*row.control), row.type);
    EXPECT_EQ(row.control->parentWidget(), row.parent);
    EXPECT_EQ(row.control->pos(), row.place.topLeft());
    if (!row.place.size().isEmpty()) {
      EXPECT_EQ(row.control->size(), row.place.size());
    }
    EXPECT_EQ(CaptionOf(row.control), row.caption);
    const QFont font = row.control->font();
    if (RegisterWindowFonts()) {
      EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Tahoma"));
    }
    EXPECT_EQ(font.pixelSize(), row.font.pixelSize);
    EXPECT_EQ(font.bold(), row.font.bold);
    EXPECT_EQ(font.underline(), row.font.underline);
    if (row.color) {
      if (auto* label = dynamic_cast<TKvLabel*>(row.control)) {
        EXPECT_EQ(label->FontColor(), *row.color);
      }
      if (auto* button = dynamic_cast<TKvCustomButton*>(row.control)) {
        EXPECT_EQ(button->FontColor(), *row.color);
      }
    }
    EXPECT_EQ(row.control->isVisible(), row.visible);
    EXPECT_EQ(row.control->isEnabled(), row.enabled);
    if (auto* label = dynamic_cast<TKvLabel*>(row.control);
        label && row.name != std::string("Label1")) {
      EXPECT_TRUE(label->Transparent());
    }
  }
  // Only the buttons take the focus, in the order Güncelle, Manuel Güncelle, Vazgeç.
  for (QWidget* container : {static_cast<QWidget*>(form.KvPanel1),
                             static_cast<QWidget*>(form.KvGroupBox1),
                             static_cast<QWidget*>(form.KvGroupBox2)})
    EXPECT_EQ(container->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(form.KvButton5->nextInFocusChain(), form.KvButton6);
  EXPECT_EQ(form.KvButton6->nextInFocusChain(), form.KvButton1);
  form.hide();
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
    EXPECT_EQ(app::CentredWindowPosition(screen, {409, 305}, c.frame), c.corner) << c.frame.Top;
  EXPECT_EQ(app::CentredWindowPosition({1920, 0, 1920 + 1280, 1024}, {409, 305}, {4, 23, 4, 4}),
            (platform::TPoint{1920 + 431, 346}));
}

} // namespace
