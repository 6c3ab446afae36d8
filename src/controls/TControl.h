#pragma once

#include "platform/Accessibility.h"
#include "platform/Bitmap.h"
#include "platform/Geometry.h"
#include "platform/Input.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace controls {

using platform::TCursor;
using platform::TKey;
using platform::TMouseButton;
using platform::TPoint;
using platform::TSize;

class TCanvas;
class TControl;
class TForm;

// Paints one control of a form's picture (see ControlPainting.h).
void PaintControl(TControl& control, platform::TBitmap& bitmap, int dpi, TPoint origin,
                  const platform::TRect& clip);

struct TMouseEvent {
  TMouseButton Button = TMouseButton::Left;
  TPoint Position; // in the control
  unsigned Shift = 0;
};

struct TKeyEvent {
  TKey Key = TKey::None;
  unsigned Shift = 0;
  std::string Text; // what the key types, UTF-8
};

// A self-drawn control: a rectangle in its parent with children of its own (owned, the last
// one on top). It paints on the canvas its form gives it and takes the input its form routes
// to it; it has no window of its own.
class TControl {
public:
  TControl() = default;
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  // Makes a child on top of the others.
  template <class T, class... Args> T& AddControl(Args&&... args) {
    auto child = std::make_unique<T>(std::forward<Args>(args)...);
    T& result = *child;
    InsertControl(std::move(child));
    return result;
  }
  TControl& InsertControl(std::unique_ptr<TControl> child);
  std::unique_ptr<TControl> RemoveControl(TControl& child);
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return m_controls; }
  TControl* Parent() const { return m_parent; }
  // The form at the root of the tree, or null while the control is not on one.
  TForm* Form();
  void BringToFront();
  void SendToBack();
  bool IsAncestorOf(const TControl& other) const;

  // Bounds in the parent's client area (a layout the control owes is done first).
  const platform::TRect& BoundsRect() const {
    if (m_layoutPending)
      RunLayout();
    return m_bounds;
  }
  void SetBounds(const platform::TRect& bounds);
  void SetBounds(int left, int top, int width, int height) {
    SetBounds({left, top, left + width, top + height});
  }
  int Left() const { return BoundsRect().Left; }
  int Top() const { return BoundsRect().Top; }
  int Width() const { return BoundsRect().Width(); }
  int Height() const { return BoundsRect().Height(); }
  platform::TRect ClientRect() const { return {0, 0, Width(), Height()}; }
  // The client area's top-left corner in the form.
  TPoint FormOrigin() const;
  // The part of the control the form shows, in the form: its bounds clipped by its
  // ancestors'; empty when it or an ancestor is hidden.
  platform::TRect VisibleFormRect() const;

  bool Visible() const { return m_visible; }
  void SetVisible(bool visible);
  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool enabled);
  // Visible, and so are its ancestors.
  bool Showing() const;
  // Enabled, and so are its ancestors.
  bool EnabledInTree() const;

  // Whether the control takes the keyboard focus (by a click, Tab or SetFocus).
  bool AcceptsFocus() const { return m_acceptsFocus; }
  void SetAcceptsFocus(bool accepts) { m_acceptsFocus = accepts; }
  // Whether Tab stops at the control; TabOrder orders it among its siblings (ties keep the
  // order the children were added in).
  bool TabStop() const { return m_tabStop; }
  void SetTabStop(bool tabStop) { m_tabStop = tabStop; }
  int TabOrder() const { return m_tabOrder; }
  void SetTabOrder(int tabOrder) { m_tabOrder = tabOrder; }
  bool CanFocus() const;
  bool Focused() const;
  bool SetFocus();

  TCursor Cursor() const { return m_cursor; }
  void SetCursor(TCursor cursor);

  // The letter or digit of the control's accelerator (Alt+letter, or the bare letter when the
  // control with the focus does not take it), case-folded (AcceleratorFold), 0 for none.
  char32_t Accelerator() const { return m_accelerator; }
  void SetAccelerator(char32_t accelerator);
  // Enter clicks the form's default control and Escape its cancel control.
  bool Default() const { return m_default; }
  void SetDefault(bool value) { m_default = value; }
  bool Cancel() const { return m_cancel; }
  void SetCancel(bool value) { m_cancel = value; }

  // Marks the control (or a part of it, in its own pixels) for painting.
  void Invalidate() { InvalidateRect(ClientRect()); }
  void InvalidateRect(const platform::TRect& rect);

  std::function<void()> OnClick;
  virtual void Click();

  // What the system's accessibility clients (screen readers) learn about the control. A control
  // without a role (a picture, a bevel) is not shown to them: its children count as its
  // parent's.
  virtual std::optional<platform::TAccessibleRole> AccessibleRole() const { return std::nullopt; }
  // By default the name of the control that labels it, without a trailing colon.
  virtual std::string AccessibleName() const;
  virtual std::string AccessibleValue() const { return {}; }
  virtual std::optional<platform::TAccessibleRange> AccessibleRange() const { return std::nullopt; }
  // The states it has now (platform::TAccessibleState bits).
  virtual unsigned AccessibleState() const;
  virtual std::string AccessibleDefaultAction() const { return {}; }
  // Does the default action as a click would; false when the control has none or is disabled.
  virtual bool DoAccessibleDefaultAction() { return false; }
  // The control whose text names this one ("Dosya Boyutu :" names the size next to it): its
  // name becomes this one's, and a label it names tells its text as its value.
  TControl* AccessibleLabel() const { return m_accessibleLabel; }
  void SetAccessibleLabel(TControl* label);
  bool IsAccessibleLabel() const { return m_labelsOthers > 0; }

protected:
  friend class TForm;
  friend void PaintControl(TControl&, platform::TBitmap&, int, TPoint, const platform::TRect&);

  // The canvas's origin is the control's top-left corner, its clip the part to be painted.
  virtual void Paint(TCanvas&) {}
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual void MouseDown(const TMouseEvent&) {}
  virtual void MouseUp(const TMouseEvent&) {}
  virtual void MouseMove(const TMouseEvent&) {}
  // The capture ended without a button released over the window.
  virtual void MouseCaptureLost() {}
  // True when the control used the key; otherwise the form may (Tab, Enter, Escape,
  // accelerators).
  virtual bool KeyDown(const TKeyEvent&) { return false; }
  virtual void KeyUp(const TKeyEvent&) {}
  virtual void FocusIn() {}
  virtual void FocusOut() {}
  // Its accelerator was pressed: focuses the control when it can, then clicks it.
  virtual void AcceleratorPressed();

  // Sets a property that changes only the control's picture: nothing when the value is the
  // same; otherwise stores it and invalidates the control.
  template <typename T, typename U> void SetAndInvalidate(T& member, const U& value) {
    if (member == value)
      return;
    member = value;
    Invalidate();
  }

  // The control's bounds follow from its content, which changed: invalidates the control as
  // it is and has Layout() run once, however often this is called before, when its bounds are
  // next read or its form next paints. Off a form, Layout() runs at once. A label whose text
  // changes with every chunk of a download is measured once a frame, not once a chunk.
  void RequestLayout();
  // Tells the form's accessibility clients that the control's name, value or state changed
  // (changes of names and values at a measured pace, the last one always told).
  void AccessibleChanged(platform::TAccessibleChange change);
  // Brings the bounds up to date with the content (SetBounds invalidates what moves).
  virtual void Layout() {}

private:
  // The form's notice that the control or one of its children leaves the form, is hidden or
  // disabled.
  void Withdraw(bool going);
  void RunLayout() const;

  TControl* m_parent = nullptr;
  std::vector<std::unique_ptr<TControl>> m_controls;
  platform::TRect m_bounds;
  bool m_visible = true;
  bool m_enabled = true;
  bool m_acceptsFocus = false;
  bool m_tabStop = false;
  int m_tabOrder = 0;
  TCursor m_cursor = TCursor::Arrow;
  char32_t m_accelerator = 0;
  bool m_default = false;
  bool m_cancel = false;
  mutable bool m_layoutPending = false;
  TControl* m_accessibleLabel = nullptr;
  int m_labelsOthers = 0;
};

} // namespace controls
