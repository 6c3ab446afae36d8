#include "platform/win32/MsaaAccessible.h"

#include "platform/Application.h"
#include "platform/win32/Unicode.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace platform::win32 {

namespace {

// A client names the object itself by CHILDID_SELF; some leave the variant empty for that.
bool ChildId(const VARIANT& child, long& id) {
  if (child.vt == VT_EMPTY) {
    id = CHILDID_SELF;
    return true;
  }
  if (child.vt != VT_I4)
    return false;
  id = child.lVal;
  return true;
}

void SetChildId(VARIANT* variant, long id) {
  variant->vt = VT_I4;
  variant->lVal = id;
}

// An empty text is "none" to the clients: S_FALSE and no string.
HRESULT AnswerText(const std::string& text, BSTR* answer) {
  *answer = nullptr;
  if (text.empty())
    return S_FALSE;
  const std::wstring wide = Widen(text);
  *answer = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *answer ? S_OK : E_OUTOFMEMORY;
}

HRESULT AnswerText(const std::wstring& text, BSTR* answer) {
  *answer = nullptr;
  if (text.empty())
    return S_FALSE;
  *answer = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *answer ? S_OK : E_OUTOFMEMORY;
}

// Where the model says "this part" or "none" (-1), a client reads the part's id or an empty
// variant.
HRESULT AnswerPart(int id, VARIANT* answer) {
  VariantInit(answer);
  if (id < 0)
    return S_FALSE;
  SetChildId(answer, id);
  return S_OK;
}

// Each thread that serves the window's object is in a single-threaded apartment, so that other
// processes' calls reach the object on that thread, through its message loop.
void UseComOnThisThread() {
  thread_local const bool started = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  (void)started;
}

} // namespace

int NearestPart(const TAccessibleNode& from, const std::vector<TAccessibleNode>& parts,
                long direction) {
  const TRect start = from.Bounds;
  int nearest = -1;
  long best = 0;
  for (const TAccessibleNode& part : parts) {
    if (part.Id == from.Id || (part.State & asInvisible) || part.Bounds.IsEmpty())
      continue;
    const TRect place = part.Bounds;
    // The gap to a part wholly on that side, and how far its middle is off the way there.
    long gap = 0;
    long aside = 0;
    switch (direction) {
    case NAVDIR_UP:
      gap = start.Top - place.Bottom;
      aside = std::labs(place.Left + place.Right - start.Left - start.Right) / 2;
      break;
    case NAVDIR_DOWN:
      gap = place.Top - start.Bottom;
      aside = std::labs(place.Left + place.Right - start.Left - start.Right) / 2;
      break;
    case NAVDIR_LEFT:
      gap = start.Left - place.Right;
      aside = std::labs(place.Top + place.Bottom - start.Top - start.Bottom) / 2;
      break;
    case NAVDIR_RIGHT:
      gap = place.Left - start.Right;
      aside = std::labs(place.Top + place.Bottom - start.Top - start.Bottom) / 2;
      break;
    default:
      return -1;
    }
    if (gap < 0)
      continue;
    const long score = gap + 2 * aside;
    if (nearest < 0 || score < best) {
      nearest = part.Id;
      best = score;
    }
  }
  return nearest;
}

long MsaaRole(TAccessibleRole role) {
  switch (role) {
  case TAccessibleRole::Window:
    return ROLE_SYSTEM_CLIENT;
  case TAccessibleRole::Grouping:
    return ROLE_SYSTEM_GROUPING;
  case TAccessibleRole::StaticText:
    return ROLE_SYSTEM_STATICTEXT;
  case TAccessibleRole::Link:
    return ROLE_SYSTEM_LINK;
  case TAccessibleRole::PushButton:
    return ROLE_SYSTEM_PUSHBUTTON;
  case TAccessibleRole::ProgressBar:
    return ROLE_SYSTEM_PROGRESSBAR;
  }
  return ROLE_SYSTEM_CLIENT;
}

long MsaaState(const TAccessibleNode& node) {
  static constexpr std::pair<unsigned, long> states[] = {
      {asFocused, STATE_SYSTEM_FOCUSED},         {asFocusable, STATE_SYSTEM_FOCUSABLE},
      {asUnavailable, STATE_SYSTEM_UNAVAILABLE}, {asDefault, STATE_SYSTEM_DEFAULT},
      {asInvisible, STATE_SYSTEM_INVISIBLE},     {asOffscreen, STATE_SYSTEM_OFFSCREEN},
      {asPressed, STATE_SYSTEM_PRESSED},
  };
  long state = 0;
  for (const auto& [ours, system] : states) {
    if (node.State & ours)
      state |= system;
  }
  if (node.Role == TAccessibleRole::Link)
    state |= STATE_SYSTEM_LINKED;
  return state;
}

DWORD MsaaEvent(TAccessibleChange change) {
  switch (change) {
  case TAccessibleChange::Focus:
    return EVENT_OBJECT_FOCUS;
  case TAccessibleChange::Name:
    return EVENT_OBJECT_NAMECHANGE;
  case TAccessibleChange::Value:
    return EVENT_OBJECT_VALUECHANGE;
  case TAccessibleChange::State:
    return EVENT_OBJECT_STATECHANGE;
  }
  return EVENT_OBJECT_STATECHANGE;
}

std::wstring MsaaShortcut(const std::string& accelerator) {
  if (accelerator.empty())
    return {};
  std::wstring letter = Widen(accelerator);
  CharUpperBuffW(letter.data(), static_cast<DWORD>(letter.size()));
  return L"Alt+" + letter;
}

TPoint LayoutPoint(const TScreenMapping& toScreen, POINT screen) {
  // A large square gives the scale without the rounding of one pixel's.
  constexpr int span = 1 << 16;
  const RECT square = toScreen({0, 0, span, span});
  const double scaleX = static_cast<double>(square.right - square.left) / span;
  const double scaleY = static_cast<double>(square.bottom - square.top) / span;
  if (scaleX <= 0 || scaleY <= 0)
    return {-1, -1};
  return {static_cast<int>(std::floor((screen.x - square.left) / scaleX)),
          static_cast<int>(std::floor((screen.y - square.top) / scaleY))};
}

TMsaaAccessible::TMsaaAccessible(HWND window, TAccessibleTree& tree, TScreenMapping toScreen)
    : m_window(window), m_tree(&tree), m_toScreen(std::move(toScreen)) {}

void TMsaaAccessible::Disconnect() {
  m_window = nullptr;
  m_tree = nullptr;
  m_toScreen = nullptr;
}

HRESULT TMsaaAccessible::QueryInterface(REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TMsaaAccessible::AddRef() {
  return ++m_references;
}

ULONG TMsaaAccessible::Release() {
  const ULONG left = --m_references;
  if (left == 0)
    delete this;
  return left;
}

HRESULT TMsaaAccessible::GetTypeInfoCount(UINT* count) {
  if (!count)
    return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT TMsaaAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info)
    *info = nullptr;
  return E_NOTIMPL;
}

HRESULT TMsaaAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT TMsaaAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                UINT*) {
  return E_NOTIMPL;
}

HRESULT TMsaaAccessible::Part(const VARIANT& child, TAccessibleNode& node) const {
  if (!m_tree)
    return CO_E_OBJNOTCONNECTED;
  long id = 0;
  if (!ChildId(child, id) || id < 0)
    return E_INVALIDARG;
  std::optional<TAccessibleNode> found = m_tree->AccessibleNode(static_cast<int>(id));
  if (!found)
    return E_INVALIDARG;
  node = std::move(*found);
  return S_OK;
}

HRESULT TMsaaAccessible::get_accParent(IDispatch** parent) {
  if (!parent)
    return E_POINTER;
  *parent = nullptr;
  if (!m_tree)
    return CO_E_OBJNOTCONNECTED;
  // The window's own object (its frame, title bar and client) is the client area's parent.
  return CreateStdAccessibleObject(m_window, OBJID_WINDOW, IID_IDispatch,
                                   reinterpret_cast<void**>(parent));
}

HRESULT TMsaaAccessible::get_accChildCount(long* count) {
  if (!count)
    return E_POINTER;
  *count = 0;
  if (!m_tree)
    return CO_E_OBJNOTCONNECTED;
  *count = m_tree->AccessibleCount();
  return S_OK;
}

HRESULT TMsaaAccessible::get_accChild(VARIANT child, IDispatch** object) {
  if (!object)
    return E_POINTER;
  *object = nullptr;
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  // The parts are simple elements: they have no object of their own.
  return node.Id == 0 ? E_INVALIDARG : S_FALSE;
}

HRESULT TMsaaAccessible::get_accName(VARIANT child, BSTR* name) {
  if (!name)
    return E_POINTER;
  *name = nullptr;
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  return AnswerText(node.Name, name);
}

HRESULT TMsaaAccessible::get_accValue(VARIANT child, BSTR* value) {
  if (!value)
    return E_POINTER;
  *value = nullptr;
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  return AnswerText(node.Value, value);
}

HRESULT TMsaaAccessible::get_accDescription(VARIANT child, BSTR* description) {
  if (!description)
    return E_POINTER;
  *description = nullptr;
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  return S_FALSE;
}

HRESULT TMsaaAccessible::get_accRole(VARIANT child, VARIANT* role) {
  if (!role)
    return E_POINTER;
  VariantInit(role);
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  SetChildId(role, MsaaRole(node.Role));
  return S_OK;
}

HRESULT TMsaaAccessible::get_accState(VARIANT child, VARIANT* state) {
  if (!state)
    return E_POINTER;
  VariantInit(state);
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  SetChildId(state, MsaaState(node));
  return S_OK;
}

HRESULT TMsaaAccessible::get_accHelp(VARIANT child, BSTR* help) {
  return get_accDescription(child, help);
}

HRESULT TMsaaAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
  if (!file || !topic)
    return E_POINTER;
  *file = nullptr;
  *topic = -1;
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  return S_FALSE;
}

HRESULT TMsaaAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  if (!shortcut)
    return E_POINTER;
  *shortcut = nullptr;
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  return AnswerText(MsaaShortcut(node.Accelerator), shortcut);
}

HRESULT TMsaaAccessible::get_accFocus(VARIANT* focused) {
  if (!focused)
    return E_POINTER;
  VariantInit(focused);
  if (!m_tree)
    return CO_E_OBJNOTCONNECTED;
  return AnswerPart(m_tree->AccessibleFocus(), focused);
}

HRESULT TMsaaAccessible::get_accSelection(VARIANT* selected) {
  if (!selected)
    return E_POINTER;
  VariantInit(selected);
  if (!m_tree)
    return CO_E_OBJNOTCONNECTED;
  // Nothing in the window is selectable.
  return S_FALSE;
}

HRESULT TMsaaAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  if (!action)
    return E_POINTER;
  *action = nullptr;
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  return AnswerText(node.DefaultAction, action);
}

HRESULT TMsaaAccessible::accSelect(long flags, VARIANT child) {
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  // Focus is all there is to take: the parts have no selection.
  if (flags != SELFLAG_TAKEFOCUS)
    return flags & ~(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION | SELFLAG_EXTENDSELECTION |
                     SELFLAG_ADDSELECTION | SELFLAG_REMOVESELECTION)
               ? E_INVALIDARG
               : DISP_E_MEMBERNOTFOUND;
  return m_tree->AccessibleSetFocus(node.Id) ? S_OK : S_FALSE;
}

HRESULT TMsaaAccessible::accLocation(long* left, long* top, long* width, long* height,
                                     VARIANT child) {
  if (!left || !top || !width || !height)
    return E_POINTER;
  *left = *top = *width = *height = 0;
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  const RECT screen = m_toScreen(node.Bounds);
  *left = screen.left;
  *top = screen.top;
  *width = screen.right - screen.left;
  *height = screen.bottom - screen.top;
  return S_OK;
}

HRESULT TMsaaAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
  if (!end)
    return E_POINTER;
  VariantInit(end);
  TAccessibleNode node;
  if (const HRESULT result = Part(start, node); FAILED(result))
    return result;
  const int count = m_tree->AccessibleCount();
  switch (direction) {
  case NAVDIR_FIRSTCHILD:
  case NAVDIR_LASTCHILD:
    if (node.Id != 0)
      return E_INVALIDARG;
    return AnswerPart(count == 0 ? -1 : direction == NAVDIR_FIRSTCHILD ? 1 : count, end);
  case NAVDIR_NEXT:
  case NAVDIR_PREVIOUS: {
    // The window's own siblings are its parent's to tell.
    if (node.Id == 0)
      return S_FALSE;
    const int next = node.Id + (direction == NAVDIR_NEXT ? 1 : -1);
    return AnswerPart(next >= 1 && next <= count ? next : -1, end);
  }
  case NAVDIR_UP:
  case NAVDIR_DOWN:
  case NAVDIR_LEFT:
  case NAVDIR_RIGHT: {
    // The client area's place among other windows is its parent's to tell.
    if (node.Id == 0)
      return S_FALSE;
    std::vector<TAccessibleNode> parts;
    for (int id = 1; id <= count; ++id) {
      if (std::optional<TAccessibleNode> part = m_tree->AccessibleNode(id))
        parts.push_back(std::move(*part));
    }
    return AnswerPart(NearestPart(node, parts, direction), end);
  }
  default:
    return E_INVALIDARG;
  }
}

HRESULT TMsaaAccessible::accHitTest(long left, long top, VARIANT* found) {
  if (!found)
    return E_POINTER;
  VariantInit(found);
  if (!m_tree)
    return CO_E_OBJNOTCONNECTED;
  const TPoint point = LayoutPoint(m_toScreen, {left, top});
  return AnswerPart(m_tree->AccessibleAt(point), found);
}

HRESULT TMsaaAccessible::accDoDefaultAction(VARIANT child) {
  TAccessibleNode node;
  if (const HRESULT result = Part(child, node); FAILED(result))
    return result;
  if (node.DefaultAction.empty())
    return DISP_E_MEMBERNOTFOUND;
  if (node.State & (asUnavailable | asInvisible))
    return E_FAIL;
  // The client's call returns first, then the part acts, as a click would, from the window's
  // message loop: an action that shows a message box or closes the window must not hold a
  // screen reader's call (another process) until it ends.
  AddRef();
  auto act = [this, id = node.Id] {
    if (m_tree)
      m_tree->AccessibleDoDefaultAction(id);
    Release();
  };
  if (TApplication* application = TApplication::Instance())
    application->DispatchAfter(std::chrono::milliseconds(0), act);
  else
    act();
  return S_OK;
}

HRESULT TMsaaAccessible::put_accName(VARIANT, BSTR) {
  return E_NOTIMPL;
}

HRESULT TMsaaAccessible::put_accValue(VARIANT, BSTR) {
  return E_NOTIMPL;
}

void TMsaaDisconnect::operator()(TMsaaAccessible* object) const {
  object->Disconnect();
  object->Release();
}

LRESULT AnswerClientObject(TMsaaObject& object, HWND window, WPARAM wParam, TAccessibleTree& tree,
                           TScreenMapping toScreen) {
  UseComOnThisThread();
  if (!object)
    object.reset(new TMsaaAccessible(window, tree, std::move(toScreen)));
  // Hands the client a reference of its own.
  return LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(object.get()));
}

void NotifyAccessibleChange(HWND window, int id, TAccessibleChange change) {
  NotifyWinEvent(MsaaEvent(change), window, OBJID_CLIENT, id == 0 ? CHILDID_SELF : id);
}

} // namespace platform::win32
