#pragma once

#include "controls/Accessible.h"
#include "controls/TControl.h"
#include "platform/Bitmap.h"
#include "platform/DeviceScale.h"
#include "platform/WindowHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace controls {

// The window object: a control at the root of a tree of self-drawn controls that owns the
// platform's window through a host. It hit-tests and routes the host's input to the control
// under the mouse, with the capture or with the focus; keeps the focus and the tab order; and
// paints the invalidated parts of the whole tree into one picture that the host shows.
// Without a host (in tests) it works the same, driven through its host entry points.
class TForm : public TControl, public platform::TWindowEvents {
public:
  TForm();
  ~TForm() override;

  // Gives the form the platform's window (CreateWindowHost) or a test's own host.
  void CreateHost();
  void SetHost(std::unique_ptr<platform::TWindowHost> host);
  platform::TWindowHost* Host() const { return m_host.get(); }

  const std::string& Caption() const { return m_caption; }
  void SetCaption(const std::string& caption);
  // The background, 0xFFRRGGBB.
  std::uint32_t Color() const { return m_color; }
  void SetColor(std::uint32_t color);
  void SetClientSize(TSize size);
  void SetPosition(TPoint position);

  // Shows the window and, when nothing has the focus, focuses the first control in tab order.
  void Show();
  void Hide();
  bool Shown() const { return m_shown; }
  // Asks CloseQuery (and OnCloseQuery); when both allow, hides the window and calls OnClose.
  // The main window's close also ends the application's event loop. Returns whether it closed.
  bool Close();
  std::function<bool()> OnCloseQuery;
  std::function<void()> OnClose;

  bool Active() const { return m_active; }
  // The keyboard cues (a focus frame, the accelerators' underline): shown after keyboard
  // input, hidden after a mouse button is pressed, and until the first key.
  bool CuesShown() const { return m_cuesShown; }
  void SetCuesShown(bool shown);
  TControl* FocusedControl() const { return m_focused; }
  TControl* HotControl() const { return m_hot; }
  TControl* CaptureControl() const { return m_capture; }
  bool FocusControl(TControl* control);
  // Moves the focus to the next (or previous) control that Tab stops at, wrapping around.
  void SelectNext(bool forward);
  // The control in front at a point of the form (the form itself where no child is); null
  // when that control or an ancestor is disabled.
  TControl* ControlAt(TPoint position);
  TControl* DefaultControl();
  TControl* CancelControl();

  // The picture of the whole form in device pixels, and the dpi it is painted at (96 is one
  // device pixel per pixel, see platform/DeviceScale.h).
  const platform::TBitmap& Bitmap() const { return m_bitmap; }
  int Dpi() const { return m_dpi; }
  // The parts invalidated and not yet painted, in the form's pixels.
  const std::vector<platform::TRect>& DirtyRects() const { return m_dirty; }
  // Runs the layouts the controls have asked for (RequestLayout); painting does it first.
  void UpdateLayout();

  // The host's entry points.
  void HostMouseMove(TPoint position, unsigned shift) override;
  void HostMouseDown(TMouseButton button, TPoint position, unsigned shift) override;
  void HostMouseUp(TMouseButton button, TPoint position, unsigned shift) override;
  void HostMouseLeave() override;
  void HostCaptureLost() override;
  using TWindowEvents::HostKeyDown;
  bool HostKeyDown(TKey key, unsigned shift, const std::string& text, char32_t character) override;
  void HostKeyUp(TKey key, unsigned shift) override;
  void HostActivate(bool active) override;
  void HostCloseRequest() override;
  void HostResize(TSize size, int dpi) override;
  void HostSystemColorsChanged() override;
  const platform::TBitmap& HostPaint() override;
  platform::TAccessibleTree* HostAccessibleTree() override { return &m_accessible; }

  std::optional<platform::TAccessibleRole> AccessibleRole() const override {
    return platform::TAccessibleRole::Window;
  }
  std::string AccessibleName() const override { return m_caption; }
  TFormAccessible& Accessible() { return m_accessible; }
  // Paces the changes of names and values the host tells (tests set its clock).
  TAnnouncementPacer& AnnouncementPacer() { return m_pacer; }

protected:
  virtual bool CloseQuery();
  // The system colours changed: a form that keeps a resolved one (its Color) takes it again.
  virtual void SystemColorsChanged() {}

private:
  friend class TControl;

  void InvalidateFormRect(const platform::TRect& rect);
  void AccessibleControlChanged(TControl& control, platform::TAccessibleChange change);
  void LayoutRequested(TControl& control);
  void ControlWithdrawn(TControl& control, bool going);
  void UpdateCursor();
  void SetHot(TControl* control);
  void ReleaseCapture();
  void FocusFirst();
  void Resize(TSize size, int dpi);
  void PaintRect(const platform::TRect& rect);
  void PaintTree(TControl& control, const platform::TRect& rect);
  TControl* FindAccelerator(char32_t letter);

  std::unique_ptr<platform::TWindowHost> m_host;
  std::string m_caption;
  std::uint32_t m_color = 0xFFF0F0F0u;
  platform::TBitmap m_bitmap;
  int m_dpi = platform::BaseDpi;
  std::vector<platform::TRect> m_dirty;
  std::vector<TControl*> m_layoutPending;
  bool m_shown = false;
  bool m_active = true;
  bool m_cuesShown = false;
  TControl* m_focused = nullptr;
  TControl* m_hot = nullptr;
  TControl* m_capture = nullptr;
  unsigned m_buttons = 0;
  TPoint m_mouse{-1, -1};
  TCursor m_shownCursor = TCursor::Arrow;
  TFormAccessible m_accessible{*this};
  TAnnouncementPacer m_pacer;
};

// The controls in the order Tab visits them: depth first, siblings by TabOrder.
std::vector<TControl*> TabOrderList(TControl& root);

} // namespace controls
