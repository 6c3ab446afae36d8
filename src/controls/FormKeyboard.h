#pragma once

#include <QObject>

class QWidget;

namespace controls {

// What the keyboard does beyond the focused control, for every window of the process:
// - the keyboard cues (a button's dotted focus frame and its accelerator underline) are shown
//   after keyboard input and hidden after mouse input; hidden until the first input;
// - Enter that no control took clicks the window's active button (the focused button, or the
//   Default one while no button has the focus), and Escape that no control took clicks its
//   Cancel button, whatever has the focus.
// Installed once, by the first button.
class FormKeyboard : public QObject {
public:
  static void Install();
  static bool CuesShown();
  // Sets the cues as input would (for pictures and tests); repaints the buttons on a change.
  static void SetCuesShown(bool shown);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  using QObject::QObject;
  static bool DialogKey(QWidget* window, int key);
};

} // namespace controls
