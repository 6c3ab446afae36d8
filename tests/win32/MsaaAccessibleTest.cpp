// The window's parts as a screen reader reads them through Microsoft Active Accessibility, in
// the window's own process: the object WM_GETOBJECT hands out over a form of the updater's
// controls in a real Win32 window, and the same object over a tree of the test's own, where the
// window's scale and place are the test's to choose.
// clang-format off
// The drawing kit's colour functions before the system's macros of the same names.
#include "AccessibleParts.h"
#include "controls/Canvas.h"
#include "controls/TForm.h"
#include "controls/TKvButton.h"
#include "controls/TKvLabel.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/win32/WindowHost.h"
// clang-format on

#include "MessagePump.h"
#include "platform/win32/MsaaAccessible.h"

#include "platform/Application.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace controls;
using platform::win32::TMsaaAccessible;

struct App {
  int argc = 1;
  char name[5] = "test";
  char* argv[2] = {name, nullptr};
  platform::TApplication application{argc, argv};
};


VARIANT Child(long id) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

std::string Utf8(BSTR text) {
  if (!text)
    return "<none>";
  const int length = static_cast<int>(SysStringLen(text));
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  SysFreeString(text);
  return out;
}

// A text property as a client reads it: "<none>" for no string.
std::string Read(IAccessible& object, HRESULT (IAccessible::*property)(VARIANT, BSTR*), long id) {
  BSTR text = nullptr;
  const HRESULT result = (object.*property)(Child(id), &text);
  if (FAILED(result))
    return "<failed>";
  return Utf8(text);
}

long ReadNumber(IAccessible& object, HRESULT (IAccessible::*property)(VARIANT, VARIANT*), long id) {
  VARIANT value;
  VariantInit(&value);
  if (FAILED((object.*property)(Child(id), &value)) || value.vt != VT_I4)
    return -1;
  return value.lVal;
}

// A real window 300 x 200 at (150, 120) holding the updater's kinds of parts.
struct WindowForm {
  WindowForm() {
    form->SetCaption("Güncelleme");
    form->SetClientSize({300, 200});
    form->CreateHost();
    form->SetPosition({150, 120});
  }
  std::unique_ptr<TForm> form = std::make_unique<TForm>();
};

struct Window : WindowForm, TAccessibleParts {
  Window() : TAccessibleParts(*form) {
    form->Show();
    handle = static_cast<platform::win32::TWin32WindowHost*>(form->Host())->Handle();
    SetForegroundWindow(handle);
    PumpAWhile(200);
    update->SetFocus();
  }
  ~Window() {
    if (object)
      object->Release();
  }

  int Id(const TControl& control) { return form->Accessible().IdOf(control); }

  // The client area's object as a client gets it, through the window's WM_GETOBJECT.
  IAccessible& Object() {
    if (!object) {
      const HRESULT result =
          AccessibleObjectFromWindow(handle, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                     reinterpret_cast<void**>(&object));
      EXPECT_EQ(result, S_OK);
    }
    return *object;
  }

  // Where a client-area rectangle is on the screen.
  RECT OnScreen(int left, int top, int right, int bottom) const {
    POINT origin{0, 0};
    ClientToScreen(handle, &origin);
    return {origin.x + left, origin.y + top, origin.x + right, origin.y + bottom};
  }

  HWND handle = nullptr;
  IAccessible* object = nullptr;
};

TEST(WinMsaa, TheClientObjectTellsEachPartsRoleNameValueStatesActionAndShortcut) {
  App app;
  Window w;
  IAccessible& object = w.Object();
  struct Row {
    const TControl* control;
    long role;
    std::string name;
    std::string value;
    long state;
    std::string action;
    std::string shortcut;
  } rows[] = {
      {w.form.get(), ROLE_SYSTEM_CLIENT, "Güncelleme", "<none>", 0, "<none>", "<none>"},
      {w.group, ROLE_SYSTEM_GROUPING, "Durum Bilgileri", "<none>", 0, "<none>", "<none>"},
      {w.linkCaption, ROLE_SYSTEM_STATICTEXT, "Dosya İndirme Sayfası", "<none>", 0, "<none>",
       "<none>"},
      {w.link, ROLE_SYSTEM_LINK, "Dosya İndirme Sayfası", "http://example.test/k.txt",
       STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE, "jump", "<none>"},
      {w.size, ROLE_SYSTEM_STATICTEXT, "Dosya Boyutu", "3240258 Kb", 0, "<none>", "<none>"},
      {w.bar, ROLE_SYSTEM_PROGRESSBAR, "Durum Bilgileri", "45%", 0, "<none>", "<none>"},
      {w.update, ROLE_SYSTEM_PUSHBUTTON, "Güncelle", "<none>",
       STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_DEFAULT, "press", "Alt+G"},
      {w.manual, ROLE_SYSTEM_PUSHBUTTON, "Manuel Güncelle", "<none>", STATE_SYSTEM_UNAVAILABLE,
       "press", "<none>"},
      {w.cancel, ROLE_SYSTEM_PUSHBUTTON, "Vazgeç", "<none>", STATE_SYSTEM_FOCUSABLE, "press",
       "<none>"},
      {w.hidden, ROLE_SYSTEM_STATICTEXT, "Label1", "<none>", STATE_SYSTEM_INVISIBLE, "<none>",
       "<none>"},
  };
  for (const Row& row : rows) {
    const long id = w.Id(*row.control);
    SCOPED_TRACE(row.name + " (" + std::to_string(id) + ")");
    EXPECT_EQ(ReadNumber(object, &IAccessible::get_accRole, id), row.role);
    EXPECT_EQ(Read(object, &IAccessible::get_accName, id), row.name);
    EXPECT_EQ(Read(object, &IAccessible::get_accValue, id), row.value);
    EXPECT_EQ(ReadNumber(object, &IAccessible::get_accState, id), row.state);
    EXPECT_EQ(Read(object, &IAccessible::get_accDefaultAction, id), row.action);
    EXPECT_EQ(Read(object, &IAccessible::get_accKeyboardShortcut, id), row.shortcut);
  }
}

TEST(WinMsaa, EveryPartIsASimpleElementOfTheOneObjectInReadingOrder) {
  App app;
  Window w;
  IAccessible& object = w.Object();
  long count = 0;
  ASSERT_EQ(object.get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, w.form->Accessible().AccessibleCount());
  // The system's walk: no part has an object of its own, each comes as its id.
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  long obtained = 0;
  ASSERT_EQ(AccessibleChildren(&object, 0, count, children.data(), &obtained), S_OK);
  ASSERT_EQ(obtained, count);
  for (long i = 0; i < count; ++i) {
    EXPECT_EQ(children[static_cast<std::size_t>(i)].vt, VT_I4);
    EXPECT_EQ(children[static_cast<std::size_t>(i)].lVal, i + 1);
    IDispatch* own = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(object.get_accChild(Child(i + 1), &own), S_FALSE);
    EXPECT_EQ(own, nullptr);
  }
  // Next and previous walk the same order; the ends lead nowhere.
  VARIANT at;
  ASSERT_EQ(object.accNavigate(NAVDIR_FIRSTCHILD, Child(CHILDID_SELF), &at), S_OK);
  std::vector<long> walked;
  while (at.vt == VT_I4) {
    walked.push_back(at.lVal);
    ASSERT_LE(walked.size(), static_cast<std::size_t>(count));
    object.accNavigate(NAVDIR_NEXT, Child(at.lVal), &at);
  }
  ASSERT_EQ(walked.size(), static_cast<std::size_t>(count));
  for (long i = 0; i < count; ++i)
    EXPECT_EQ(walked[static_cast<std::size_t>(i)], i + 1);
  EXPECT_EQ(object.accNavigate(NAVDIR_LASTCHILD, Child(CHILDID_SELF), &at), S_OK);
  EXPECT_EQ(at.lVal, count);
  EXPECT_EQ(object.accNavigate(NAVDIR_PREVIOUS, Child(count), &at), S_OK);
  EXPECT_EQ(at.lVal, count - 1);
  EXPECT_EQ(object.accNavigate(NAVDIR_PREVIOUS, Child(1), &at), S_FALSE);
  EXPECT_EQ(at.vt, VT_EMPTY);
  // The parent is the window's own object, with its frame.
  IDispatch* parent = nullptr;
  ASSERT_EQ(object.get_accParent(&parent), S_OK);
  IAccessible* window = nullptr;
  ASSERT_EQ(parent->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&window)), S_OK);
  HWND itsWindow = nullptr;
  EXPECT_EQ(WindowFromAccessibleObject(window, &itsWindow), S_OK);
  EXPECT_EQ(itsWindow, w.handle);
  window->Release();
  parent->Release();
}

TEST(WinMsaa, UpDownLeftAndRightLeadToTheNearestShownPartOnThatSide) {
  App app;
  Window w;
  IAccessible& object = w.Object();
  struct Case {
    const TControl* from;
    long direction;
    const TControl* to; // null: nothing there
  } cases[] = {
      {w.update, NAVDIR_RIGHT, w.manual},
      {w.manual, NAVDIR_RIGHT, w.cancel},
      {w.cancel, NAVDIR_RIGHT, nullptr},
      {w.cancel, NAVDIR_LEFT, w.manual},
      // The bar straight above before the group further up.
      {w.manual, NAVDIR_UP, w.bar},
      // Its group, not the group's labels behind it.
      {w.bar, NAVDIR_UP, w.group},
      // The button straight below before those aside.
      {w.bar, NAVDIR_DOWN, w.manual},
      {w.update, NAVDIR_DOWN, nullptr},
      {w.sizeCaption, NAVDIR_RIGHT, w.size},
      {w.linkCaption, NAVDIR_DOWN, w.link},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(w.Id(*c.from)) + " " + std::to_string(c.direction));
    VARIANT to;
    const HRESULT result = object.accNavigate(c.direction, Child(w.Id(*c.from)), &to);
    if (c.to) {
      EXPECT_EQ(result, S_OK);
      EXPECT_EQ(to.vt, VT_I4);
      EXPECT_EQ(to.lVal, w.Id(*c.to));
    } else {
      EXPECT_EQ(result, S_FALSE);
      EXPECT_EQ(to.vt, VT_EMPTY);
    }
  }
  // The hidden label under the buttons is passed over.
  w.hidden->SetBounds(10, 190, 80, 10);
  VARIANT to;
  EXPECT_EQ(object.accNavigate(NAVDIR_DOWN, Child(w.Id(*w.update)), &to), S_FALSE);
  w.hidden->SetVisible(true);
  EXPECT_EQ(object.accNavigate(NAVDIR_DOWN, Child(w.Id(*w.update)), &to), S_OK);
  EXPECT_EQ(to.lVal, w.Id(*w.hidden));
}

TEST(WinMsaa, IdsAndArgumentsTheWindowDoesNotHaveAreRefused) {
  App app;
  Window w;
  IAccessible& object = w.Object();
  const long count = w.form->Accessible().AccessibleCount();
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = nullptr;
  for (const VARIANT& child : {Child(count + 1), Child(-7), text}) {
    BSTR name = nullptr;
    EXPECT_EQ(object.get_accName(child, &name), E_INVALIDARG);
    EXPECT_EQ(name, nullptr);
    VARIANT role;
    EXPECT_EQ(object.get_accRole(child, &role), E_INVALIDARG);
    EXPECT_EQ(object.accDoDefaultAction(child), E_INVALIDARG);
  }
  EXPECT_EQ(object.get_accName(Child(1), nullptr), E_POINTER);
  VARIANT at;
  EXPECT_EQ(object.accNavigate(NAVDIR_FIRSTCHILD, Child(1), &at), E_INVALIDARG);
}

TEST(WinMsaa, LocationsAreOnTheScreenAndAPointThereFindsThePart) {
  App app;
  Window w;
  IAccessible& object = w.Object();
  // The labels fit their text: where they are is the form's to say.
  for (const TControl* control :
       std::initializer_list<const TControl*>{w.form.get(), w.group, w.size, w.bar, w.cancel}) {
    const long id = w.Id(*control);
    SCOPED_TRACE(id);
    const platform::TRect place = w.form->Accessible().AccessibleNode(id)->Bounds;
    const RECT expected = w.OnScreen(place.Left, place.Top, place.Right, place.Bottom);
    long left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(object.accLocation(&left, &top, &width, &height, Child(id)), S_OK);
    EXPECT_EQ(left, expected.left);
    EXPECT_EQ(top, expected.top);
    EXPECT_EQ(width, expected.right - expected.left);
    EXPECT_EQ(height, expected.bottom - expected.top);
    // Its last pixel is the part's (or the part's child's, for the group).
    VARIANT found;
    ASSERT_EQ(object.accHitTest(expected.right - 1, expected.bottom - 1, &found), S_OK);
    ASSERT_EQ(found.vt, VT_I4);
    if (control != w.group) {
      EXPECT_EQ(found.lVal, id == 0 ? CHILDID_SELF : id);
    }
  }
  // The button's own place, as it was laid out.
  long left = 0, top = 0, width = 0, height = 0;
  ASSERT_EQ(object.accLocation(&left, &top, &width, &height, Child(w.Id(*w.cancel))), S_OK);
  const RECT cancel = w.OnScreen(210, 160, 290, 185);
  EXPECT_EQ(left, cancel.left);
  EXPECT_EQ(top, cancel.top);
  EXPECT_EQ(width, 80);
  EXPECT_EQ(height, 25);
  const RECT window = w.OnScreen(0, 0, 300, 200);
  VARIANT found;
  EXPECT_EQ(object.accHitTest(window.right + 5, window.top + 5, &found), S_FALSE);
  EXPECT_EQ(found.vt, VT_EMPTY);
  // Between the buttons: the window itself.
  EXPECT_EQ(object.accHitTest(window.left + 100, window.top + 170, &found), S_OK);
  EXPECT_EQ(found.lVal, CHILDID_SELF);
}

// Listens to the window's events in this process, as a screen reader would in its own.
struct EventLog {
  EventLog() {
    s_log = this;
    hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, &Came,
                           GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  }
  ~EventLog() {
    UnhookWinEvent(hook);
    s_log = nullptr;
  }
  static void CALLBACK Came(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId,
                            DWORD, DWORD) {
    if (s_log && objectId == OBJID_CLIENT)
      s_log->events.push_back({event, window, childId});
  }
  bool Has(DWORD event, HWND window, LONG childId) const {
    for (const auto& each : events) {
      if (each.event == event && each.window == window && each.child == childId)
        return true;
    }
    return false;
  }
  struct Event {
    DWORD event;
    HWND window;
    LONG child;
  };
  inline static EventLog* s_log = nullptr;
  HWINEVENTHOOK hook = nullptr;
  std::vector<Event> events;
};

TEST(WinMsaa, FocusIsReadTakenAndAnnounced) {
  App app;
  Window w;
  IAccessible& object = w.Object();
  EventLog log;
  ASSERT_NE(log.hook, nullptr);
  VARIANT focused;
  ASSERT_EQ(object.get_accFocus(&focused), S_OK);
  EXPECT_EQ(focused.lVal, w.Id(*w.update));
  EXPECT_EQ(object.accSelect(SELFLAG_TAKEFOCUS, Child(w.Id(*w.cancel))), S_OK);
  ASSERT_EQ(object.get_accFocus(&focused), S_OK);
  EXPECT_EQ(focused.lVal, w.Id(*w.cancel));
  EXPECT_TRUE(w.cancel->Focused());
  EXPECT_TRUE(PumpUntil([&] { return log.Has(EVENT_OBJECT_FOCUS, w.handle, w.Id(*w.cancel)); }));
  // A disabled button or a label cannot take it; nothing here is selectable.
  EXPECT_EQ(object.accSelect(SELFLAG_TAKEFOCUS, Child(w.Id(*w.manual))), S_FALSE);
  EXPECT_EQ(object.accSelect(SELFLAG_TAKEFOCUS, Child(w.Id(*w.size))), S_FALSE);
  EXPECT_EQ(object.accSelect(SELFLAG_TAKESELECTION, Child(w.Id(*w.cancel))), DISP_E_MEMBERNOTFOUND);
  EXPECT_TRUE(w.cancel->Focused());
}

TEST(WinMsaa, ValueAndNameChangesAreAnnouncedForThePartThatChanged) {
  App app;
  Window w;
  IAccessible& object = w.Object();
  EventLog log;
  w.bar->SetPartsComplete(150);
  w.size->SetCaption("4000000 Kb");
  const long bar = w.Id(*w.bar);
  EXPECT_TRUE(PumpUntil([&] { return log.Has(EVENT_OBJECT_VALUECHANGE, w.handle, bar); }));
  EXPECT_EQ(Read(object, &IAccessible::get_accValue, bar), "75%");
  EXPECT_TRUE(PumpUntil([&] {
    return log.Has(EVENT_OBJECT_VALUECHANGE, w.handle, w.Id(*w.size)) ||
           log.Has(EVENT_OBJECT_NAMECHANGE, w.handle, w.Id(*w.size));
  }));
  EXPECT_EQ(Read(object, &IAccessible::get_accValue, w.Id(*w.size)), "4000000 Kb");
  w.manual->SetEnabled(true);
  EXPECT_TRUE(
      PumpUntil([&] { return log.Has(EVENT_OBJECT_STATECHANGE, w.handle, w.Id(*w.manual)); }));
  EXPECT_EQ(ReadNumber(object, &IAccessible::get_accState, w.Id(*w.manual)),
            STATE_SYSTEM_FOCUSABLE);
}

TEST(WinMsaa, TheDefaultActionActsAsAClickOnceTheCallHasReturned) {
  App app;
  Window w;
  IAccessible& object = w.Object();
  int cancels = 0;
  w.cancel->OnClick = [&](TKvCustomButton*) { ++cancels; };
  w.manual->OnClick = [&](TKvCustomButton*) { ADD_FAILURE() << "a disabled button pressed"; };
  EXPECT_EQ(object.accDoDefaultAction(Child(w.Id(*w.cancel))), S_OK);
  EXPECT_EQ(cancels, 0) << "acted inside the client's call";
  EXPECT_TRUE(PumpUntil([&] { return cancels == 1; }));
  EXPECT_EQ(object.accDoDefaultAction(Child(w.Id(*w.manual))), E_FAIL);
  EXPECT_EQ(object.accDoDefaultAction(Child(w.Id(*w.size))), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(object.accDoDefaultAction(Child(CHILDID_SELF)), DISP_E_MEMBERNOTFOUND);
  PumpAWhile(100);
  EXPECT_EQ(cancels, 1);
}

TEST(WinMsaa, AnObjectHeldPastItsWindowAnswersNotConnected) {
  App app;
  Window w;
  IAccessible& object = w.Object();
  object.AddRef();
  // An action asked for just before the window goes never reaches the freed form.
  w.cancel->OnClick = [&](TKvCustomButton*) { ADD_FAILURE() << "pressed after the window went"; };
  EXPECT_EQ(object.accDoDefaultAction(Child(w.Id(*w.cancel))), S_OK);
  w.form.reset();
  PumpAWhile(100);
  BSTR name = nullptr;
  EXPECT_EQ(object.get_accName(Child(CHILDID_SELF), &name), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(name, nullptr);
  long count = -1;
  EXPECT_EQ(object.get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  VARIANT focused;
  EXPECT_EQ(object.get_accFocus(&focused), CO_E_OBJNOTCONNECTED);
  long left, top, width, height;
  EXPECT_EQ(object.accLocation(&left, &top, &width, &height, Child(1)), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(object.accHitTest(0, 0, &focused), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(object.accDoDefaultAction(Child(1)), CO_E_OBJNOTCONNECTED);
  IDispatch* parent = nullptr;
  EXPECT_EQ(object.get_accParent(&parent), CO_E_OBJNOTCONNECTED);
  object.Release();
}

// A tree of the test's own: one part, and a record of the points asked about.
class OnePartTree : public platform::TAccessibleTree {
public:
  int AccessibleCount() override { return 1; }
  std::optional<platform::TAccessibleNode> AccessibleNode(int id) override {
    if (id < 0 || id > 1)
      return std::nullopt;
    platform::TAccessibleNode node;
    node.Id = id;
    node.Role = id == 0 ? platform::TAccessibleRole::Window : platform::TAccessibleRole::PushButton;
    node.Bounds = id == 0 ? platform::TRect{0, 0, 200, 100} : platform::TRect{10, 20, 60, 45};
    return node;
  }
  int AccessibleFocus() override { return -1; }
  int AccessibleAt(platform::TPoint position) override {
    asked.push_back(position);
    return 1;
  }
  bool AccessibleDoDefaultAction(int) override { return false; }
  bool AccessibleSetFocus(int) override { return false; }
  std::vector<platform::TPoint> asked;
};

// The window's mapping from layout pixels to the screen's device pixels is the host's; the
// object places the parts and finds them through it alone, at any scale.
TEST(WinMsaa, PlacesAndPointsGoThroughTheWindowsMappingAtAnyScale) {
  struct Case {
    double scale;
    POINT origin;
    RECT part;              // the part 10,20 - 60,45 on the screen
    POINT screen;           // a point asked about
    platform::TPoint point; // in the layout
  } cases[] = {
      {1, {100, 50}, {110, 70, 160, 95}, {110, 70}, {10, 20}},
      {2, {100, 50}, {120, 90, 220, 140}, {121, 91}, {10, 20}},
      {1.5, {0, 0}, {15, 30, 90, 68}, {89, 67}, {59, 44}},
      {2, {-300, 10}, {-280, 50, -180, 100}, {-181, 99}, {59, 44}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    OnePartTree tree;
    const auto toScreen = [c](const platform::TRect& rect) {
      const auto at = [&](int value, long origin) {
        return origin + static_cast<long>(std::lround(value * c.scale));
      };
      return RECT{at(rect.Left, c.origin.x), at(rect.Top, c.origin.y), at(rect.Right, c.origin.x),
                  at(rect.Bottom, c.origin.y)};
    };
    auto* object = new TMsaaAccessible(nullptr, tree, toScreen);
    long left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(object->accLocation(&left, &top, &width, &height, Child(1)), S_OK);
    EXPECT_EQ(left, c.part.left);
    EXPECT_EQ(top, c.part.top);
    EXPECT_EQ(width, c.part.right - c.part.left);
    EXPECT_EQ(height, c.part.bottom - c.part.top);
    VARIANT found;
    ASSERT_EQ(object->accHitTest(c.screen.x, c.screen.y, &found), S_OK);
    EXPECT_EQ(found.lVal, 1);
    ASSERT_EQ(tree.asked.size(), 1u);
    EXPECT_EQ(tree.asked[0].X, c.point.X);
    EXPECT_EQ(tree.asked[0].Y, c.point.Y);
    // Nothing has the focus while the window is not active.
    VARIANT focused;
    EXPECT_EQ(object->get_accFocus(&focused), S_FALSE);
    EXPECT_EQ(focused.vt, VT_EMPTY);
    object->Disconnect();
    object->Release();
  }
}

TEST(WinMsaa, AcceleratorsReadAsAltAndTheCapitalLetter) {
  const std::pair<std::string, std::wstring> cases[] = {
      {"g", L"Alt+G"}, {"G", L"Alt+G"}, {"ü", L"Alt+\u00dc"}, {"ç", L"Alt+\u00c7"}, {"", L""}};
  for (const auto& [accelerator, shortcut] : cases)
    EXPECT_EQ(platform::win32::MsaaShortcut(accelerator), shortcut) << accelerator;
}

} // namespace
