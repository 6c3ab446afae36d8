#pragma once

#include "platform/Accessibility.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>
// The accessibility interfaces, after the system's base declarations.
#include <oleacc.h>

namespace platform::win32 {

// A rectangle of the client area, in its layout pixels, as the screen's device pixels.
using TScreenMapping = std::function<RECT(const TRect&)>;

// A window's client area as Microsoft Active Accessibility's clients (screen readers) see it:
// one object over the window's tree of parts, each part a simple element of it (child ids
// 1..N in the tree's depth-first order, which is the reading order), so that a client walks
// every part of the window from that one object. All calls come on the window's thread (its
// apartment's message loop brings other processes' calls there).
class TMsaaAccessible final : public IAccessible {
public:
  // Made with one reference, the window's.
  TMsaaAccessible(HWND window, TAccessibleTree& tree, TScreenMapping toScreen);
  TMsaaAccessible(const TMsaaAccessible&) = delete;
  TMsaaAccessible& operator=(const TMsaaAccessible&) = delete;

  // The window goes: clients may hold the object longer, and from now on every call answers
  // CO_E_OBJNOTCONNECTED without touching the window or its tree.
  void Disconnect();
  bool Connected() const { return m_tree != nullptr; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch: clients call the methods directly; there is no type information.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override;

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focused) override;
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selected) override;
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
  HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* found) override;
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override;
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override;

private:
  ~TMsaaAccessible() = default;
  // The part a client names: S_OK with it, or the error to answer.
  HRESULT Part(const VARIANT& child, TAccessibleNode& node) const;

  std::atomic<ULONG> m_references{1};
  HWND m_window = nullptr;
  TAccessibleTree* m_tree = nullptr;
  TScreenMapping m_toScreen;
};

// The system's words for the model's.
long MsaaRole(TAccessibleRole role);
long MsaaState(const TAccessibleNode& node);
DWORD MsaaEvent(TAccessibleChange change);
// "Alt+G" for the accelerator "g"; empty for none.
std::wstring MsaaShortcut(const std::string& accelerator);

// The part of `parts` a client reaches from `from` going up, down, left or right (NAVDIR_*):
// the nearest shown one wholly on that side, the one straight across before one further aside;
// -1 for none.
int NearestPart(const TAccessibleNode& from, const std::vector<TAccessibleNode>& parts,
                long direction);

// The point of the client area's layout at a screen pixel, through the inverse of `toScreen`
// (a scale and a move).
TPoint LayoutPoint(const TScreenMapping& toScreen, POINT screen);

// The window's hold on its object: when the window goes, the object is disconnected and the
// window's reference let go.
struct TMsaaDisconnect {
  void operator()(TMsaaAccessible* object) const;
};
using TMsaaObject = std::unique_ptr<TMsaaAccessible, TMsaaDisconnect>;

// The answer to WM_GETOBJECT for the client area: the window's object (made on the first
// request, kept in `object`) as LresultFromObject hands it to the client.
LRESULT AnswerClientObject(TMsaaObject& object, HWND window, WPARAM wParam, TAccessibleTree& tree,
                           TScreenMapping toScreen);

// Tells the clients that listen for the window's events of a change of part `id`.
void NotifyAccessibleChange(HWND window, int id, TAccessibleChange change);

} // namespace platform::win32
