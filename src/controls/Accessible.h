#pragma once

#include "platform/Accessibility.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace controls {

class TControl;
class TForm;

// The controls of a form as its host shows them to the system's accessibility clients: the
// form is part 0, the controls with a role are numbered from 1 depth first, and a control
// without a role passes its children to its parent.
class TFormAccessible final : public platform::TAccessibleTree {
public:
  explicit TFormAccessible(TForm& form) : m_form(form) {}

  int AccessibleCount() override;
  std::optional<platform::TAccessibleNode> AccessibleNode(int id) override;
  int AccessibleFocus() override;
  int AccessibleAt(platform::TPoint position) override;
  bool AccessibleDoDefaultAction(int id) override;
  bool AccessibleSetFocus(int id) override;

  // The parts in id order: the form first.
  std::vector<TControl*> Parts();
  // The control's id; -1 when it is not shown to the clients (no role, or not on the form).
  int IdOf(const TControl& control);
  TControl* ControlOf(int id);

private:
  TForm& m_form;
};

// The node of one control, its id and the ids around it left to the tree.
platform::TAccessibleNode DescribeControl(const TControl& control);

// A name as a label gives it: accelerator markers out, and without the colon and the spaces
// that end a caption such as "Dosya Boyutu :".
std::string LabelName(const std::string& caption);

// Keeps a form's changes of names and values from reaching the clients once for every chunk
// of a download: each control's changes of one kind are told at most once per Interval; one
// that comes sooner is told when its interval is over (then the clients read the newest
// value). Focus and state changes are told at once.
class TAnnouncementPacer {
public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds Interval{250};
  // Runs a handler once a delay has passed (the application's event loop); tests give their
  // own.
  using Scheduler = std::function<void(std::chrono::milliseconds, std::function<void()>)>;
  using Teller = std::function<void(TControl&, platform::TAccessibleChange)>;

  TAnnouncementPacer();
  void SetScheduler(Scheduler scheduler) { m_schedule = std::move(scheduler); }
  void SetClock(std::function<Clock::time_point()> clock) { m_now = std::move(clock); }
  void SetTeller(Teller teller) { m_state->tell = std::move(teller); }

  void Changed(TControl& control, platform::TAccessibleChange change);
  // The control and its children leave the form: nothing more is told of them.
  void Forget(const TControl& control);

private:
  struct TEntry {
    Clock::time_point told;
    bool pending = false;
  };
  struct TState {
    std::map<std::pair<const TControl*, platform::TAccessibleChange>, TEntry> entries;
    Teller tell;
  };

  std::shared_ptr<TState> m_state = std::make_shared<TState>();
  Scheduler m_schedule;
  std::function<Clock::time_point()> m_now;
};

} // namespace controls
