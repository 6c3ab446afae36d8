#include "controls/Accessible.h"

#include "controls/Canvas.h"
#include "controls/TForm.h"
#include "platform/Application.h"

#include <algorithm>

namespace controls {

using platform::TAccessibleChange;
using platform::TAccessibleNode;

namespace {

std::string Utf8(char32_t point) {
  std::string text;
  if (point < 0x80) {
    text += static_cast<char>(point);
  } else if (point < 0x800) {
    text += static_cast<char>(0xC0 | (point >> 6));
    text += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    text += static_cast<char>(0xE0 | (point >> 12));
    text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (point >> 18));
    text += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (point & 0x3F));
  }
  return text;
}

// The controls with a role under `control`, in the order of its children, passing through
// those without one.
void AppendParts(TControl& control, std::vector<TControl*>& parts) {
  for (const auto& child : control.Controls()) {
    if (child->AccessibleRole())
      parts.push_back(child.get());
    AppendParts(*child, parts);
  }
}

// The nearest ancestor with a role (the form has one).
const TControl* PartParent(const TControl& control) {
  const TControl* parent = control.Parent();
  while (parent && !parent->AccessibleRole())
    parent = parent->Parent();
  return parent;
}

void AppendChildParts(const TControl& control, std::vector<const TControl*>& parts) {
  for (const auto& child : control.Controls()) {
    if (child->AccessibleRole())
      parts.push_back(child.get());
    else
      AppendChildParts(*child, parts);
  }
}

// The deepest part at a point of `control`'s client area that is shown.
TControl* PartAt(TControl& control, platform::TPoint position) {
  const auto& children = control.Controls();
  for (auto child = children.rbegin(); child != children.rend(); ++child) {
    TControl& each = **child;
    if (!each.Visible() || !each.BoundsRect().Contains(position))
      continue;
    if (TControl* found = PartAt(each, {position.X - each.Left(), position.Y - each.Top()}))
      return found;
    if (each.AccessibleRole())
      return &each;
  }
  return nullptr;
}

} // namespace

std::string LabelName(const std::string& caption) {
  std::string name = StripAccelerators(caption);
  while (!name.empty() && (name.back() == ' ' || name.back() == ':'))
    name.pop_back();
  return name;
}

TAccessibleNode DescribeControl(const TControl& control) {
  TAccessibleNode node;
  node.Role = control.AccessibleRole().value_or(platform::TAccessibleRole::Grouping);
  node.Name = control.AccessibleName();
  node.Value = control.AccessibleValue();
  node.State = control.AccessibleState();
  const platform::TPoint origin = control.FormOrigin();
  node.Bounds = control.ClientRect().Offset(origin.X, origin.Y);
  node.DefaultAction = control.AccessibleDefaultAction();
  if (control.Accelerator())
    node.Accelerator = Utf8(control.Accelerator());
  node.Range = control.AccessibleRange();
  return node;
}

std::vector<TControl*> TFormAccessible::Parts() {
  std::vector<TControl*> parts{&m_form};
  AppendParts(m_form, parts);
  return parts;
}

int TFormAccessible::AccessibleCount() {
  return static_cast<int>(Parts().size()) - 1;
}

int TFormAccessible::IdOf(const TControl& control) {
  const std::vector<TControl*> parts = Parts();
  const auto found = std::find(parts.begin(), parts.end(), &control);
  return found == parts.end() ? -1 : static_cast<int>(found - parts.begin());
}

TControl* TFormAccessible::ControlOf(int id) {
  const std::vector<TControl*> parts = Parts();
  return id >= 0 && id < static_cast<int>(parts.size()) ? parts[static_cast<std::size_t>(id)]
                                                        : nullptr;
}

std::optional<TAccessibleNode> TFormAccessible::AccessibleNode(int id) {
  const std::vector<TControl*> parts = Parts();
  if (id < 0 || id >= static_cast<int>(parts.size()))
    return std::nullopt;
  const auto idOf = [&](const TControl* control) {
    const auto found = std::find(parts.begin(), parts.end(), control);
    return found == parts.end() ? 0 : static_cast<int>(found - parts.begin());
  };
  const TControl& control = *parts[static_cast<std::size_t>(id)];
  TAccessibleNode node = DescribeControl(control);
  node.Id = id;
  node.Parent = id == 0 ? -1 : idOf(PartParent(control));
  std::vector<const TControl*> children;
  AppendChildParts(control, children);
  for (const TControl* child : children)
    node.Children.push_back(idOf(child));
  if (const TControl* label = control.AccessibleLabel())
    node.LabelledBy = idOf(label);
  if (control.IsAccessibleLabel()) {
    for (std::size_t each = 1; each < parts.size(); ++each) {
      if (parts[each]->AccessibleLabel() == &control)
        node.LabelFor.push_back(static_cast<int>(each));
    }
  }
  return node;
}

int TFormAccessible::AccessibleFocus() {
  if (!m_form.Active())
    return -1;
  TControl* focused = m_form.FocusedControl();
  // A focused control without a role is shown as the form.
  return focused ? std::max(IdOf(*focused), 0) : 0;
}

int TFormAccessible::AccessibleAt(platform::TPoint position) {
  if (!m_form.ClientRect().Contains(position))
    return -1;
  TControl* part = PartAt(m_form, position);
  return part ? std::max(IdOf(*part), 0) : 0;
}

bool TFormAccessible::AccessibleDoDefaultAction(int id) {
  TControl* control = ControlOf(id);
  return control && control->DoAccessibleDefaultAction();
}

bool TFormAccessible::AccessibleSetFocus(int id) {
  TControl* control = ControlOf(id);
  return control && control != &m_form && control->SetFocus();
}

TAnnouncementPacer::TAnnouncementPacer()
    : m_schedule([](std::chrono::milliseconds delay, std::function<void()> handler) {
        if (platform::TApplication* application = platform::TApplication::Instance())
          application->DispatchAfter(delay, std::move(handler));
        else
          handler();
      }),
      m_now([] { return Clock::now(); }) {}

void TAnnouncementPacer::Changed(TControl& control, TAccessibleChange change) {
  if (!m_state->tell)
    return;
  if (change == TAccessibleChange::Focus || change == TAccessibleChange::State) {
    m_state->tell(control, change);
    return;
  }
  const Clock::time_point now = m_now();
  const auto key = std::make_pair(static_cast<const TControl*>(&control), change);
  const auto found = m_state->entries.find(key);
  if (found == m_state->entries.end() || now - found->second.told >= Interval) {
    m_state->entries[key] = {now, false};
    m_state->tell(control, change);
    return;
  }
  TEntry& entry = found->second;
  if (entry.pending)
    return;
  entry.pending = true;
  const auto delay = std::chrono::ceil<std::chrono::milliseconds>(entry.told + Interval - now);
  std::weak_ptr<TState> weak = m_state;
  auto now_ = m_now;
  m_schedule(delay, [weak, key, now_, &control] {
    const std::shared_ptr<TState> state = weak.lock();
    if (!state)
      return;
    const auto pending = state->entries.find(key);
    // The control left the form since.
    if (pending == state->entries.end() || !pending->second.pending)
      return;
    pending->second = {now_(), false};
    if (state->tell)
      state->tell(control, key.second);
  });
}

void TAnnouncementPacer::Forget(const TControl& control) {
  std::erase_if(m_state->entries,
                [&](const auto& entry) { return control.IsAncestorOf(*entry.first.first); });
}

} // namespace controls
