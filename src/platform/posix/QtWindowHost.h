#pragma once

#include "platform/WindowHost.h"

#include <QWidget>
#include <memory>

namespace platform::posix {

class TQtAccessible;

// A form's window on Linux: one top-level QWidget that shows the form's picture and turns the
// toolkit's events into the form's host entry points. The picture is in device pixels (a
// device pixel ratio of 2 makes it twice as wide and high) and shown without scaling.
class TQtWindowHost final : public TWindowHost {
public:
  explicit TQtWindowHost(TWindowEvents& events);
  ~TQtWindowHost() override;

  QWidget& Widget() { return *m_widget; }

  void Show() override;
  void Hide() override;
  bool Visible() const override;
  void SetTitle(const std::string& title) override;
  void SetClientSize(TSize size) override;
  void SetPosition(TPoint position) override;
  int Dpi() const override;
  void Invalidate(const TRect& rect) override;
  void SetCursor(TCursor cursor) override;
  void SetCapture(bool capture) override;
  void SetIcon(const std::vector<TBitmap>& sizes) override;
  void CentreOnScreen() override;
  void AccessibleChanged(int id, TAccessibleChange change) override;

private:
  std::unique_ptr<QWidget> m_widget;
  // Goes before the widget.
  std::unique_ptr<TQtAccessible> m_accessible;
};

// Our key for a toolkit key code; TKey::None for keys the controls do not know.
TKey KeyFromQtKey(int key);
unsigned ShiftFromQtModifiers(Qt::KeyboardModifiers modifiers);
// The character a key stands for, for accelerators: the code point of the toolkit's key code
// when it is one, else the first of the text it typed; 0 for none.
char32_t CodePointFromQtKey(int key, const QString& text);

} // namespace platform::posix
