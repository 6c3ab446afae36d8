#include "controls/TControl.h"

#include "controls/Accessible.h"
#include "controls/Canvas.h"
#include "controls/TForm.h"

#include <algorithm>

namespace controls {

using platform::TRect;

TControl::~TControl() {
  // A form that is going has already let go of its controls.
  if (m_parent)
    Withdraw(true);
}

TControl& TControl::InsertControl(std::unique_ptr<TControl> child) {
  TControl& result = *child;
  result.m_parent = this;
  result.m_tabOrder = static_cast<int>(m_controls.size());
  m_controls.push_back(std::move(child));
  result.Invalidate();
  return result;
}

std::unique_ptr<TControl> TControl::RemoveControl(TControl& child) {
  const auto found = std::find_if(m_controls.begin(), m_controls.end(),
                                  [&](const auto& each) { return each.get() == &child; });
  if (found == m_controls.end())
    return nullptr;
  child.Invalidate();
  child.Withdraw(true);
  std::unique_ptr<TControl> result = std::move(*found);
  m_controls.erase(found);
  result->m_parent = nullptr;
  return result;
}

TForm* TControl::Form() {
  TControl* root = this;
  while (root->m_parent)
    root = root->m_parent;
  return dynamic_cast<TForm*>(root);
}

void TControl::BringToFront() {
  if (!m_parent)
    return;
  auto& siblings = m_parent->m_controls;
  const auto found = std::find_if(siblings.begin(), siblings.end(),
                                  [&](const auto& each) { return each.get() == this; });
  std::rotate(found, found + 1, siblings.end());
  Invalidate();
}

void TControl::SendToBack() {
  if (!m_parent)
    return;
  auto& siblings = m_parent->m_controls;
  const auto found = std::find_if(siblings.begin(), siblings.end(),
                                  [&](const auto& each) { return each.get() == this; });
  std::rotate(siblings.begin(), found, found + 1);
  Invalidate();
}

bool TControl::IsAncestorOf(const TControl& other) const {
  for (const TControl* each = &other; each; each = each->m_parent) {
    if (each == this)
      return true;
  }
  return false;
}

void TControl::SetBounds(const TRect& bounds) {
  if (m_layoutPending)
    RunLayout();
  if (bounds == m_bounds)
    return;
  Invalidate();
  m_bounds = bounds;
  Invalidate();
}

TPoint TControl::FormOrigin() const {
  if (!m_parent)
    return {0, 0};
  const TPoint parent = m_parent->FormOrigin();
  return {parent.X + Left(), parent.Y + Top()};
}

TRect TControl::VisibleFormRect() const {
  if (!m_visible)
    return {};
  if (!m_parent)
    return ClientRect();
  const TPoint origin = FormOrigin();
  return ClientRect().Offset(origin.X, origin.Y).Intersected(m_parent->VisibleFormRect());
}

void TControl::SetVisible(bool visible) {
  if (visible == m_visible)
    return;
  if (!visible) {
    Invalidate();
    m_visible = false;
    Withdraw(false);
  } else {
    m_visible = true;
    Invalidate();
  }
  AccessibleChanged(platform::TAccessibleChange::State);
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == m_enabled)
    return;
  m_enabled = enabled;
  if (!enabled)
    Withdraw(false);
  Invalidate();
  AccessibleChanged(platform::TAccessibleChange::State);
}

bool TControl::Showing() const {
  for (const TControl* each = this; each; each = each->m_parent) {
    if (!each->m_visible)
      return false;
  }
  return true;
}

bool TControl::EnabledInTree() const {
  for (const TControl* each = this; each; each = each->m_parent) {
    if (!each->m_enabled)
      return false;
  }
  return true;
}

bool TControl::CanFocus() const {
  return m_acceptsFocus && Showing() && EnabledInTree();
}

bool TControl::Focused() const {
  TForm* form = const_cast<TControl*>(this)->Form();
  return form && form->Active() && form->FocusedControl() == this;
}

bool TControl::SetFocus() {
  TForm* form = Form();
  return form && form->FocusControl(this);
}

void TControl::SetCursor(TCursor cursor) {
  if (cursor == m_cursor)
    return;
  m_cursor = cursor;
  if (TForm* form = Form())
    form->UpdateCursor();
}

void TControl::SetAccelerator(char32_t accelerator) {
  m_accelerator = AcceleratorFold(accelerator);
}

void TControl::InvalidateRect(const TRect& rect) {
  TForm* form = Form();
  if (!form)
    return;
  const TPoint origin = FormOrigin();
  const TRect area = rect.Offset(origin.X, origin.Y).Intersected(VisibleFormRect());
  if (!area.IsEmpty())
    form->InvalidateFormRect(area);
}

void TControl::Click() {
  if (OnClick)
    OnClick();
}

std::string TControl::AccessibleName() const {
  return m_accessibleLabel ? LabelName(m_accessibleLabel->AccessibleName()) : std::string();
}

unsigned TControl::AccessibleState() const {
  using namespace platform;
  unsigned state = 0;
  TForm* form = const_cast<TControl*>(this)->Form();
  if (!Showing() || (form && !form->Shown()))
    state |= asInvisible;
  else if (m_parent && VisibleFormRect().IsEmpty())
    state |= asOffscreen;
  if (!EnabledInTree())
    state |= asUnavailable;
  if (CanFocus())
    state |= asFocusable;
  if (Focused())
    state |= asFocused;
  return state;
}

void TControl::SetAccessibleLabel(TControl* label) {
  if (label == m_accessibleLabel)
    return;
  if (m_accessibleLabel)
    --m_accessibleLabel->m_labelsOthers;
  m_accessibleLabel = label;
  if (label)
    ++label->m_labelsOthers;
  AccessibleChanged(platform::TAccessibleChange::Name);
}

void TControl::AccessibleChanged(platform::TAccessibleChange change) {
  if (TForm* form = Form())
    form->AccessibleControlChanged(*this, change);
}

void TControl::AcceleratorPressed() {
  SetFocus();
  Click();
}

void TControl::RequestLayout() {
  if (m_layoutPending)
    return;
  TForm* form = Form();
  if (!form) {
    Layout();
    return;
  }
  Invalidate();
  m_layoutPending = true;
  form->LayoutRequested(*this);
}

void TControl::RunLayout() const {
  // Laying out reads and sets the bounds: the request is over before it starts.
  m_layoutPending = false;
  const_cast<TControl*>(this)->Layout();
}

void TControl::Withdraw(bool going) {
  if (TForm* form = Form())
    form->ControlWithdrawn(*this, going);
}

} // namespace controls
