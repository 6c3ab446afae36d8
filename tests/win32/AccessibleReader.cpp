// A screen reader's view of the updater's window, from a process of its own as a screen reader
// has: it finds the window (class "KolvarinForm"), takes its client area's object through
// AccessibleObjectFromWindow and prints what it reads, UTF-8, one line per part.
//
//   kv-accessible-reader-win walk            the parts
//   kv-accessible-reader-win do ID|NAME      the part's default action, then "done HRESULT",
//                                            and once the window has gone, "gone HRESULT" of
//                                            the object still held
//   kv-accessible-reader-win listen SECONDS  the window's focus, name, value and state events
//                                            for that long, then the parts
//
// A part's line: "part", its id, role, name, value, states, location (x,y,width,height on the
// screen) and default action, separated by tabs. An event's: "event", milliseconds since the
// listening began, its kind, the part's id, and the part's name and value read just after.
// Exit code 0, or 2 when there is no window or object, 3 for a part that is not there.
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>
#include <windows.h>
// The accessibility interfaces, after the system's base declarations.
#include <oleacc.h>

namespace {

std::string Utf8(const wchar_t* text, int length = -1) {
  if (!text)
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  if (length < 0 && !out.empty())
    out.pop_back();
  return out;
}

// Written straight to the handle: the bytes reach a pipe as they are.
void Print(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

VARIANT Child(long id) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

std::string Text(HRESULT (IAccessible::*property)(VARIANT, BSTR*), IAccessible& object, long id) {
  BSTR text = nullptr;
  if (FAILED((object.*property)(Child(id), &text)) || !text)
    return {};
  std::string out = Utf8(text, static_cast<int>(SysStringLen(text)));
  SysFreeString(text);
  return out;
}

std::string RoleName(long role) {
  switch (role) {
  case ROLE_SYSTEM_CLIENT:
    return "client";
  case ROLE_SYSTEM_GROUPING:
    return "grouping";
  case ROLE_SYSTEM_STATICTEXT:
    return "text";
  case ROLE_SYSTEM_LINK:
    return "link";
  case ROLE_SYSTEM_PUSHBUTTON:
    return "button";
  case ROLE_SYSTEM_PROGRESSBAR:
    return "progressbar";
  default:
    return "role" + std::to_string(role);
  }
}

std::string StateNames(long state) {
  static const std::pair<long, const char*> names[] = {
      {STATE_SYSTEM_FOCUSED, "focused"},         {STATE_SYSTEM_FOCUSABLE, "focusable"},
      {STATE_SYSTEM_UNAVAILABLE, "unavailable"}, {STATE_SYSTEM_DEFAULT, "default"},
      {STATE_SYSTEM_INVISIBLE, "invisible"},     {STATE_SYSTEM_OFFSCREEN, "offscreen"},
      {STATE_SYSTEM_PRESSED, "pressed"},         {STATE_SYSTEM_LINKED, "linked"},
  };
  std::string out;
  for (const auto& [bit, name] : names) {
    if (state & bit) {
      out += out.empty() ? "" : ",";
      out += name;
      state &= ~bit;
    }
  }
  if (state) {
    char rest[16];
    std::snprintf(rest, sizeof rest, "0x%lx", static_cast<unsigned long>(state));
    out += (out.empty() ? "" : ",") + std::string(rest);
  }
  return out;
}

long Number(HRESULT (IAccessible::*property)(VARIANT, VARIANT*), IAccessible& object, long id) {
  VARIANT value;
  VariantInit(&value);
  if (FAILED((object.*property)(Child(id), &value)) || value.vt != VT_I4)
    return -1;
  return value.lVal;
}

std::string PartLine(IAccessible& object, long id) {
  long left = 0, top = 0, width = 0, height = 0;
  std::string location = "?";
  if (SUCCEEDED(object.accLocation(&left, &top, &width, &height, Child(id))))
    location = std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(width) +
               "," + std::to_string(height);
  return "part\t" + std::to_string(id) + "\t" +
         RoleName(Number(&IAccessible::get_accRole, object, id)) + "\t" +
         Text(&IAccessible::get_accName, object, id) + "\t" +
         Text(&IAccessible::get_accValue, object, id) + "\t" +
         StateNames(Number(&IAccessible::get_accState, object, id)) + "\t" + location + "\t" +
         Text(&IAccessible::get_accDefaultAction, object, id);
}

// The parts' ids as a client finds them: the children the system's walk gives.
std::vector<long> PartIds(IAccessible& object) {
  long count = 0;
  if (FAILED(object.get_accChildCount(&count)) || count <= 0)
    return {};
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  long obtained = 0;
  if (FAILED(AccessibleChildren(&object, 0, count, children.data(), &obtained)))
    return {};
  std::vector<long> ids;
  for (long i = 0; i < obtained; ++i) {
    VARIANT& child = children[static_cast<std::size_t>(i)];
    // A part with an object of its own would come as one; the window's come as ids.
    ids.push_back(child.vt == VT_I4 ? child.lVal : -1);
    VariantClear(&child);
  }
  return ids;
}

void Walk(IAccessible& object) {
  Print(PartLine(object, CHILDID_SELF));
  for (long id : PartIds(object))
    Print(id < 0 ? "part\tobject" : PartLine(object, id));
}

HWND FindUpdaterWindow() {
  for (int tries = 0; tries < 300; ++tries) {
    HWND window = FindWindowW(L"KolvarinForm", nullptr);
    if (window && IsWindowVisible(window))
      return window;
    Sleep(100);
  }
  return nullptr;
}

IAccessible* ClientObject(HWND window) {
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(&object))))
    return nullptr;
  return object;
}

HWND g_window = nullptr;
DWORD g_listenStart = 0;

const char* EventName(DWORD event) {
  switch (event) {
  case EVENT_OBJECT_FOCUS:
    return "focus";
  case EVENT_OBJECT_NAMECHANGE:
    return "name";
  case EVENT_OBJECT_VALUECHANGE:
    return "value";
  case EVENT_OBJECT_STATECHANGE:
    return "state";
  default:
    return nullptr;
  }
}

struct Heard {
  DWORD when;
  DWORD event;
  LONG objectId;
  LONG childId;
};
std::vector<Heard> g_heard;

// Only notes the event: reading the part is a call into the window's process, during which
// the next events would come in, nested, and be printed before this one.
void CALLBACK EventCame(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId, DWORD,
                        DWORD) {
  if (EventName(event) && window == g_window && objectId == OBJID_CLIENT)
    g_heard.push_back({GetTickCount() - g_listenStart, event, objectId, childId});
}

// Prints the events heard, in their order, with the part's name and value read now.
void PrintHeard() {
  static bool printing = false;
  if (printing)
    return;
  printing = true;
  for (std::size_t next = 0; next < g_heard.size(); ++next) {
    const Heard heard = g_heard[next];
    std::string line = "event\t" + std::to_string(heard.when) + "\t" + EventName(heard.event) +
                       "\t" + std::to_string(heard.childId);
    IAccessible* object = nullptr;
    VARIANT child;
    VariantInit(&child);
    if (SUCCEEDED(AccessibleObjectFromEvent(g_window, static_cast<DWORD>(heard.objectId),
                                            static_cast<DWORD>(heard.childId), &object, &child))) {
      const long id = child.vt == VT_I4 ? child.lVal : CHILDID_SELF;
      line += "\t" + Text(&IAccessible::get_accName, *object, id) + "\t" +
              Text(&IAccessible::get_accValue, *object, id);
      object->Release();
    }
    Print(line);
  }
  g_heard.clear();
  printing = false;
}

int Listen(HWND window, IAccessible& object, DWORD milliseconds) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  g_window = window;
  g_listenStart = GetTickCount();
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr,
                                       &EventCame, process, 0, WINEVENT_OUTOFCONTEXT);
  if (!hook)
    return 2;
  // Out-of-context events come to this thread as messages.
  while (GetTickCount() - g_listenStart < milliseconds) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    PrintHeard();
  }
  UnhookWinEvent(hook);
  PrintHeard();
  Walk(object);
  return 0;
}

int DoDefaultAction(IAccessible& object, const std::wstring& part) {
  long id = -1;
  if (!part.empty() && part.find_first_not_of(L"0123456789") == std::wstring::npos) {
    id = std::wcstol(part.c_str(), nullptr, 10);
  } else {
    for (long each : PartIds(object)) {
      if (Text(&IAccessible::get_accName, object, each) == Utf8(part.c_str()))
        id = each;
    }
  }
  if (id < 0)
    return 3;
  const HRESULT result = object.accDoDefaultAction(Child(id));
  char line[32];
  std::snprintf(line, sizeof line, "done 0x%08lx", static_cast<unsigned long>(result));
  Print(line);
  // The object is still held when the window goes (for 20 s at most): what it answers then.
  for (int tries = 0; tries < 200 && IsWindow(g_window); ++tries)
    Sleep(100);
  if (!IsWindow(g_window)) {
    BSTR name = nullptr;
    const HRESULT after = object.get_accName(Child(CHILDID_SELF), &name);
    SysFreeString(name);
    std::snprintf(line, sizeof line, "gone 0x%08lx", static_cast<unsigned long>(after));
    Print(line);
  }
  return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"walk";
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HWND window = FindUpdaterWindow();
  IAccessible* object = window ? ClientObject(window) : nullptr;
  if (!object) {
    Print("no window");
    return 2;
  }
  int status = 0;
  g_window = window;
  if (command == L"do" && argc > 2)
    status = DoDefaultAction(*object, argv[2]);
  else if (command == L"listen" && argc > 2)
    status = Listen(window, *object, static_cast<DWORD>(std::wcstol(argv[2], nullptr, 10) * 1000));
  else
    Walk(*object);
  object->Release();
  CoUninitialize();
  return status;
}
