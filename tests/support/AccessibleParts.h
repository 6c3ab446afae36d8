#pragma once

// The parts of a window as the updater's is built, for the tests of what screen readers learn
// about it: a group with a link named by the caption above it and a value named by the caption
// beside it, a bar named by the group, three buttons (the first the default, the second
// disabled) and a hidden label. The link comes after the buttons in tab order, as in the
// updater's window.

#include "controls/TForm.h"
#include "controls/TKvButton.h"
#include "controls/TKvLabel.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"

#include <string>

struct TAccessibleParts {
  explicit TAccessibleParts(controls::TForm& form) {
    using namespace controls;
    group = &form.AddControl<TKvGroupBox>();
    group->SetBounds(0, 0, 300, 80);
    group->SetCaption("Durum Bilgileri");
    group->SetTabOrder(100);
    linkCaption = &group->AddControl<TKvLabel>();
    linkCaption->SetBounds(5, 20, 100, 15);
    linkCaption->SetCaption("Dosya İndirme Sayfası");
    link = &group->AddControl<TKvURLLabel>();
    link->SetBounds(5, 36, 120, 15);
    link->SetCaption("http://example.test/k.txt");
    link->SetAccessibleLabel(linkCaption);
    sizeCaption = &group->AddControl<TKvLabel>();
    sizeCaption->SetBounds(5, 55, 90, 15);
    sizeCaption->SetCaption("Dosya Boyutu :");
    size = &group->AddControl<TKvLabel>();
    size->SetBounds(110, 55, 90, 15);
    size->SetAccessibleLabel(sizeCaption);
    size->SetCaption("3240258 Kb");
    bar = &form.AddControl<TKvProgressBar>();
    bar->SetBounds(0, 80, 300, 20);
    bar->SetAccessibleLabel(group);
    bar->SetTotalParts(200);
    bar->SetPartsComplete(90);
    update = &AddButton(form, "&Güncelle", 10);
    update->SetDefault(true);
    manual = &AddButton(form, "Manuel Güncelle", 110);
    manual->SetEnabled(false);
    cancel = &AddButton(form, "Vazgeç", 210);
    hidden = &form.AddControl<TKvLabel>();
    hidden->SetCaption("Label1");
    hidden->SetVisible(false);
  }

  static controls::TKvButton& AddButton(controls::TForm& form, const std::string& caption,
                                        int left) {
    auto& button = form.AddControl<controls::TKvButton>();
    button.SetBounds(left, 160, 80, 25);
    button.SetCaption(caption);
    button.SetAcceptsFocus(true);
    button.SetTabStop(true);
    return button;
  }

  controls::TKvGroupBox* group = nullptr;
  controls::TKvLabel* linkCaption = nullptr;
  controls::TKvURLLabel* link = nullptr;
  controls::TKvLabel* sizeCaption = nullptr;
  controls::TKvLabel* size = nullptr;
  controls::TKvProgressBar* bar = nullptr;
  controls::TKvButton* update = nullptr;
  controls::TKvButton* manual = nullptr;
  controls::TKvButton* cancel = nullptr;
  controls::TKvLabel* hidden = nullptr;
};
