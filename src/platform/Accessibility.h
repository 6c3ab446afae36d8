#pragma once

#include "platform/Geometry.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// What a window tells the system's accessibility clients (screen readers) about the parts it
// draws itself, in words each host translates into its system's: Microsoft Active
// Accessibility on Windows, AT-SPI through the toolkit on Linux.

enum class TAccessibleRole { Window, Grouping, StaticText, Link, PushButton, ProgressBar };

// The states of a part, as bits.
enum TAccessibleState : unsigned {
  asFocused = 1u << 0,
  asFocusable = 1u << 1,
  asUnavailable = 1u << 2, // disabled, or inside a disabled container
  asDefault = 1u << 3,     // the button Enter presses
  asInvisible = 1u << 4,   // hidden, or inside a hidden container
  asOffscreen = 1u << 5,   // shown, but outside what its containers show
  asPressed = 1u << 6,     // a button held down
};

// A numeric value with its range (a progress bar's percentage).
struct TAccessibleRange {
  double Minimum = 0;
  double Maximum = 0;
  double Current = 0;
  bool operator==(const TAccessibleRange&) const = default;
};

// One part of the window. Id 0 is the window itself; its parts are numbered from 1 in the
// order a depth-first walk meets them, and keep their numbers while the window's controls stay.
struct TAccessibleNode {
  int Id = 0;
  TAccessibleRole Role = TAccessibleRole::Window;
  std::string Name;  // UTF-8, without accelerator markers
  std::string Value; // UTF-8; empty where the part has none
  unsigned State = 0;
  // In pixels of the window's client area (not device pixels).
  TRect Bounds;
  // The default action's name ("press", "jump"); empty for none.
  std::string DefaultAction;
  // The letter of its accelerator, lower case UTF-8 ("g" for "&Güncelle"); empty for none.
  std::string Accelerator;
  std::optional<TAccessibleRange> Range;
  int Parent = -1; // -1 for the window
  std::vector<int> Children;
  // The part whose text names this one (0 for none), and the parts this one names.
  int LabelledBy = 0;
  std::vector<int> LabelFor;
};

// A change the host tells the system's clients about.
enum class TAccessibleChange { Focus, Name, Value, State };

// The window's parts as its host asks for them; all on the user-interface thread.
class TAccessibleTree {
public:
  virtual ~TAccessibleTree() = default;

  // The number of parts besides the window (ids 1..Count).
  virtual int AccessibleCount() = 0;
  // The part with `id`; nullopt for an id the window does not have.
  virtual std::optional<TAccessibleNode> AccessibleNode(int id) = 0;
  // The part that has the keyboard focus: 0 for the window itself, -1 when the window is not
  // active.
  virtual int AccessibleFocus() = 0;
  // The deepest part at a point of the client area (0 the window itself, -1 outside it).
  virtual int AccessibleAt(TPoint position) = 0;
  // Does the part's default action as a click would; false when it has none or cannot now.
  virtual bool AccessibleDoDefaultAction(int id) = 0;
  // Gives the part the keyboard focus; false when it cannot take it.
  virtual bool AccessibleSetFocus(int id) = 0;
};

} // namespace platform
