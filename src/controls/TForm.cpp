#include "controls/TForm.h"

#include "controls/Canvas.h"
#include "controls/ControlPainting.h"
#include "platform/Application.h"

#include <algorithm>

namespace controls {

using platform::TRect;

namespace {

// Past this many separate dirty rectangles, one rectangle around them all is painted.
constexpr std::size_t MaxDirtyRects = 8;

bool Covers(const TRect& outer, const TRect& inner) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
         inner.Bottom <= outer.Bottom;
}

bool Usable(const TControl* control) {
  return control && control->Showing() && control->EnabledInTree();
}

void AppendTabOrder(TControl& parent, std::vector<TControl*>& list) {
  std::vector<TControl*> children;
  for (const auto& child : parent.Controls())
    children.push_back(child.get());
  std::stable_sort(children.begin(), children.end(), [](const TControl* a, const TControl* b) {
    return a->TabOrder() < b->TabOrder();
  });
  for (TControl* child : children) {
    list.push_back(child);
    AppendTabOrder(*child, list);
  }
}

TControl* HitTest(TControl& control, TPoint position) {
  const auto& children = control.Controls();
  for (auto child = children.rbegin(); child != children.rend(); ++child) {
    TControl& each = **child;
    if (each.Visible() && each.BoundsRect().Contains(position))
      return HitTest(each, {position.X - each.Left(), position.Y - each.Top()});
  }
  return &control;
}

} // namespace

std::vector<TControl*> TabOrderList(TControl& root) {
  std::vector<TControl*> list;
  AppendTabOrder(root, list);
  return list;
}

TForm::TForm() {
  SetBounds(0, 0, 0, 0);
  m_pacer.SetTeller([this](TControl& control, platform::TAccessibleChange change) {
    const int id = m_accessible.IdOf(control);
    if (m_host && id >= 0)
      m_host->AccessibleChanged(id, change);
  });
}

TForm::~TForm() {
  // The window goes first, then the children, while the form can still hear of both.
  m_host.reset();
  m_focused = m_hot = m_capture = nullptr;
  while (!Controls().empty())
    RemoveControl(*Controls().back());
}

void TForm::CreateHost() {
  SetHost(platform::CreateWindowHost(*this));
}

void TForm::SetHost(std::unique_ptr<platform::TWindowHost> host) {
  m_host = std::move(host);
  if (!m_host)
    return;
  // A window has the keyboard focus only once the system gives it.
  m_active = false;
  m_host->SetTitle(m_caption);
  m_host->SetClientSize({Width(), Height()});
  Resize({Width(), Height()}, m_host->Dpi());
}

void TForm::SetCaption(const std::string& caption) {
  if (caption == m_caption)
    return;
  m_caption = caption;
  if (m_host)
    m_host->SetTitle(caption);
  AccessibleChanged(platform::TAccessibleChange::Name);
}

void TForm::AccessibleControlChanged(TControl& control, platform::TAccessibleChange change) {
  // A hidden control's text is nothing a reader hears (the window keeps a hidden label whose
  // caption follows the remaining time); that it is shown again is a change of state.
  const bool text =
      change == platform::TAccessibleChange::Name || change == platform::TAccessibleChange::Value;
  if (m_host && !(text && !control.Showing()))
    m_pacer.Changed(control, change);
}

void TForm::SetColor(std::uint32_t color) {
  SetAndInvalidate(m_color, color);
}

void TForm::SetClientSize(TSize size) {
  Resize(size, m_dpi);
  if (m_host)
    m_host->SetClientSize(size);
}

void TForm::SetPosition(TPoint position) {
  if (m_host)
    m_host->SetPosition(position);
}

void TForm::Show() {
  m_shown = true;
  FocusFirst();
  if (m_host)
    m_host->Show();
}

void TForm::FocusFirst() {
  if (m_focused)
    return;
  for (TControl* control : TabOrderList(*this)) {
    if (control->TabStop() && FocusControl(control))
      return;
  }
}

void TForm::Hide() {
  m_shown = false;
  if (m_host)
    m_host->Hide();
}

bool TForm::Close() {
  if (!CloseQuery())
    return false;
  Hide();
  if (OnClose)
    OnClose();
  platform::TApplication* application = platform::TApplication::Instance();
  if (application && m_host && application->MainWindow() == m_host.get())
    application->Terminate();
  return true;
}

bool TForm::CloseQuery() {
  return !OnCloseQuery || OnCloseQuery();
}

bool TForm::FocusControl(TControl* control) {
  if (control == m_focused)
    return true;
  if (control && (!control->CanFocus() || control->Form() != this))
    return false;
  TControl* previous = m_focused;
  m_focused = control;
  if (m_active) {
    if (previous)
      previous->FocusOut();
    if (control && m_focused == control) {
      control->FocusIn();
      if (m_focused == control)
        control->AccessibleChanged(platform::TAccessibleChange::Focus);
    }
  }
  return true;
}

void TForm::SetCuesShown(bool shown) {
  if (shown == m_cuesShown)
    return;
  m_cuesShown = shown;
  InvalidateFormRect(ClientRect());
}

void TForm::SelectNext(bool forward) {
  std::vector<TControl*> list = TabOrderList(*this);
  std::erase_if(list, [&](TControl* each) {
    return each != m_focused && !(each->TabStop() && each->CanFocus());
  });
  if (list.empty())
    return;
  if (!forward)
    std::reverse(list.begin(), list.end());
  auto current = std::find(list.begin(), list.end(), m_focused);
  // With nothing focused, Tab starts at the first control and Shift+Tab at the last.
  auto next = current == list.end() ? list.begin() : std::next(current);
  if (next == list.end())
    next = list.begin();
  FocusControl(*next);
}

TControl* TForm::ControlAt(TPoint position) {
  if (!ClientRect().Contains(position))
    return nullptr;
  TControl* control = HitTest(*this, position);
  return control->EnabledInTree() ? control : nullptr;
}

TControl* TForm::DefaultControl() {
  for (TControl* control : TabOrderList(*this)) {
    if (control->Default() && Usable(control))
      return control;
  }
  return nullptr;
}

TControl* TForm::CancelControl() {
  for (TControl* control : TabOrderList(*this)) {
    if (control->Cancel() && Usable(control))
      return control;
  }
  return nullptr;
}

TControl* TForm::FindAccelerator(char32_t letter) {
  for (TControl* control : TabOrderList(*this)) {
    if (control->Accelerator() == letter && Usable(control))
      return control;
  }
  return nullptr;
}

namespace {

TMouseEvent MouseEventFor(TControl& control, TMouseButton button, TPoint position, unsigned shift) {
  const TPoint origin = control.FormOrigin();
  return {button, {position.X - origin.X, position.Y - origin.Y}, shift};
}

unsigned ButtonBit(TMouseButton button) {
  return 1u << static_cast<unsigned>(button);
}

} // namespace

void TForm::SetHot(TControl* control) {
  if (control == m_hot)
    return;
  TControl* previous = m_hot;
  m_hot = control;
  if (previous)
    previous->MouseLeave();
  // The leave handler may have changed the tree; enter only a control still under the mouse.
  if (control && m_hot == control)
    control->MouseEnter();
  UpdateCursor();
}

void TForm::UpdateCursor() {
  const TControl* source = m_capture ? m_capture : m_hot;
  const TCursor cursor = source ? source->Cursor() : Cursor();
  if (cursor == m_shownCursor)
    return;
  m_shownCursor = cursor;
  if (m_host)
    m_host->SetCursor(cursor);
}

void TForm::HostMouseMove(TPoint position, unsigned shift) {
  m_mouse = position;
  TControl* under = ControlAt(position);
  if (m_capture) {
    // The pressed control keeps the mouse; it is hot only while the mouse is over it.
    SetHot(under == m_capture ? m_capture : nullptr);
    if (m_capture)
      m_capture->MouseMove(MouseEventFor(*m_capture, TMouseButton::Left, position, shift));
    return;
  }
  SetHot(under);
  if (under && m_hot == under)
    under->MouseMove(MouseEventFor(*under, TMouseButton::Left, position, shift));
}

void TForm::HostMouseDown(TMouseButton button, TPoint position, unsigned shift) {
  m_mouse = position;
  SetCuesShown(false);
  TControl* target = m_capture;
  if (!target) {
    target = ControlAt(position);
    SetHot(target);
    if (!target || m_hot != target)
      return;
    m_capture = target;
    if (m_host)
      m_host->SetCapture(true);
    if (button == TMouseButton::Left && target->CanFocus())
      FocusControl(target);
  }
  m_buttons |= ButtonBit(button);
  if (m_capture == target)
    target->MouseDown(MouseEventFor(*target, button, position, shift));
}

void TForm::HostMouseUp(TMouseButton button, TPoint position, unsigned shift) {
  m_mouse = position;
  if (!m_capture || !(m_buttons & ButtonBit(button)))
    return;
  m_buttons &= ~ButtonBit(button);
  TControl* target = m_capture;
  if (m_buttons == 0)
    ReleaseCapture();
  target->MouseUp(MouseEventFor(*target, button, position, shift));
  if (!m_capture)
    HostMouseMove(position, shift);
}

void TForm::ReleaseCapture() {
  m_capture = nullptr;
  m_buttons = 0;
  if (m_host)
    m_host->SetCapture(false);
}

void TForm::HostMouseLeave() {
  if (m_capture)
    return;
  m_mouse = {-1, -1};
  SetHot(nullptr);
}

void TForm::HostCaptureLost() {
  if (!m_capture)
    return;
  TControl* target = m_capture;
  m_capture = nullptr;
  m_buttons = 0;
  target->MouseCaptureLost();
  SetHot(ControlAt(m_mouse));
}

bool TForm::HostKeyDown(TKey key, unsigned shift, const std::string& text, char32_t character) {
  SetCuesShown(true);
  const TKeyEvent event{key, shift, text};
  if (m_focused && m_focused->KeyDown(event))
    return true;
  const unsigned modifiers = shift & (platform::ssCtrl | platform::ssAlt);
  if (key == TKey::Tab && modifiers == 0) {
    SelectNext((shift & platform::ssShift) == 0);
    return true;
  }
  if ((key == TKey::Enter || key == TKey::Escape) && modifiers == 0) {
    TControl* control = key == TKey::Enter ? DefaultControl() : CancelControl();
    if (!control)
      return false;
    control->Click();
    return true;
  }
  // Alt+letter, or the bare letter that the focused control did not take.
  const char32_t letter = AcceleratorFold(character);
  if (letter && (modifiers == platform::ssAlt || modifiers == 0)) {
    if (TControl* control = FindAccelerator(letter)) {
      control->AcceleratorPressed();
      return true;
    }
  }
  return m_focused != this && KeyDown(event);
}

void TForm::HostKeyUp(TKey key, unsigned shift) {
  TControl* target = m_focused ? m_focused : this;
  target->KeyUp({key, shift, {}});
}

void TForm::HostActivate(bool active) {
  if (active == m_active)
    return;
  m_active = active;
  if (active && !m_focused) {
    // The first activation of a window the application object showed.
    m_shown = true;
    FocusFirst();
    // With no control to focus, the window itself has the focus.
    if (!m_focused)
      AccessibleChanged(platform::TAccessibleChange::Focus);
    return;
  }
  if (!m_focused)
    return;
  if (active) {
    m_focused->FocusIn();
    m_focused->AccessibleChanged(platform::TAccessibleChange::Focus);
  } else {
    m_focused->FocusOut();
  }
}

void TForm::HostCloseRequest() {
  Close();
}

void TForm::HostResize(TSize size, int dpi) {
  Resize(size, dpi);
}

void TForm::HostSystemColorsChanged() {
  SystemColorsChanged();
  InvalidateFormRect(ClientRect());
}

void TForm::Resize(TSize size, int dpi) {
  // Never below 100 %: a display has no fewer pixels than the layout.
  dpi = std::max(dpi, platform::BaseDpi);
  size = {std::max(size.Width, 0), std::max(size.Height, 0)};
  const TSize device = platform::DeviceSize(size, dpi);
  if (size == TSize{Width(), Height()} && dpi == m_dpi && m_bitmap.Size() == device)
    return;
  TControl::SetBounds({0, 0, size.Width, size.Height});
  m_dpi = dpi;
  m_bitmap.Reset(device.Width, device.Height, m_color);
  m_dirty.clear();
  InvalidateFormRect(ClientRect());
}

void TForm::InvalidateFormRect(const TRect& rect) {
  const TRect area = rect.Intersected(ClientRect());
  if (area.IsEmpty())
    return;
  if (std::any_of(m_dirty.begin(), m_dirty.end(),
                  [&](const TRect& each) { return Covers(each, area); }))
    return;
  std::erase_if(m_dirty, [&](const TRect& each) { return Covers(area, each); });
  m_dirty.push_back(area);
  if (m_dirty.size() > MaxDirtyRects) {
    TRect all = m_dirty.front();
    for (const TRect& each : m_dirty)
      all = all.United(each);
    m_dirty.assign(1, all);
  }
  if (m_host)
    m_host->Invalidate(area);
}

void TForm::LayoutRequested(TControl& control) {
  m_layoutPending.push_back(&control);
}

void TForm::UpdateLayout() {
  // A layout may ask for more; those run in the same pass.
  while (!m_layoutPending.empty()) {
    TControl* control = m_layoutPending.back();
    m_layoutPending.pop_back();
    // Reading the bounds runs the layout the control still owes, and only that.
    control->BoundsRect();
  }
}

const platform::TBitmap& TForm::HostPaint() {
  UpdateLayout();
  // Painting may invalidate again; that is painted next time.
  const std::vector<TRect> dirty = std::move(m_dirty);
  m_dirty.clear();
  for (const TRect& rect : dirty)
    PaintRect(rect);
  return m_bitmap;
}

void TForm::PaintRect(const TRect& rect) {
  const TRect area = platform::DeviceRect(rect, m_dpi).Intersected(m_bitmap.Bounds());
  for (int y = area.Top; y < area.Bottom; ++y)
    std::fill(m_bitmap.Row(y) + area.Left, m_bitmap.Row(y) + area.Right, m_color);
  PaintTree(*this, rect);
}

void TForm::PaintTree(TControl& control, const TRect& rect) {
  PaintControl(control, m_bitmap, m_dpi, control.FormOrigin(), rect);
  for (const auto& child : control.Controls()) {
    const TRect clip = rect.Intersected(child->VisibleFormRect());
    if (!clip.IsEmpty())
      PaintTree(*child, clip);
  }
}

void TForm::ControlWithdrawn(TControl& control, bool going) {
  // A control that leaves lays itself out when its bounds are read.
  if (going) {
    std::erase_if(m_layoutPending, [&](TControl* each) { return control.IsAncestorOf(*each); });
    m_pacer.Forget(control);
    // Nothing that stays may keep the control as its label.
    for (TControl* each : m_accessible.Parts()) {
      if (each->AccessibleLabel() && control.IsAncestorOf(*each->AccessibleLabel()) &&
          !control.IsAncestorOf(*each))
        each->SetAccessibleLabel(nullptr);
    }
  }
  if (m_focused && control.IsAncestorOf(*m_focused)) {
    TControl* previous = m_focused;
    m_focused = nullptr;
    if (!going && m_active)
      previous->FocusOut();
  }
  if (m_capture && control.IsAncestorOf(*m_capture)) {
    TControl* previous = m_capture;
    ReleaseCapture();
    if (!going)
      previous->MouseCaptureLost();
  }
  if (m_hot && control.IsAncestorOf(*m_hot)) {
    TControl* previous = m_hot;
    m_hot = nullptr;
    if (!going)
      previous->MouseLeave();
    UpdateCursor();
  }
}

} // namespace controls
