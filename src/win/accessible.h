// What assistive technology asks a window that draws its own parts: a small IAccessible
// (oleacc) whose answers come from the window through AccessibleSource. Child 0 is the
// window's client object itself; children 1..n are either simple elements the window
// draws (a radio row, a link) or child windows, which answer for themselves.
//
// The window owns an AccessibleServer; the object handed out may outlive the window (a
// screen reader holds it), so the server detaches it at WM_DESTROY and from then on
// every call answers CO_E_OBJNOTCONNECTED.
#pragma once
#include <windows.h>

#include <oleacc.h>

#include <string>

namespace win {

struct AccessibleItem {
  std::wstring name;
  std::wstring value;
  std::wstring description;    // what the element shows beside its name; empty: none
  std::wstring defaultAction;  // empty: none
  long role = ROLE_SYSTEM_CLIENT;
  long state = 0;              // STATE_SYSTEM_* flags
  RECT screen{};               // where it is on the screen
  HWND window = nullptr;       // a child window: its own object answers
};

// Where the keyboard focus is, seen from an object: one of its simple elements (`child`,
// 0 for the object itself), a control with a window of its own inside it (`window`,
// whose own object answers), or neither (child -1, no window).
struct AccessibleFocusAt {
  int child = -1;
  HWND window = nullptr;
};

class AccessibleSource {
 public:
  virtual int AccessibleChildCount() = 0;
  // What a child is (0: the object itself). A child that is a window needs only `window`
  // and `screen`: what it is, its own object says.
  virtual AccessibleItem AccessibleDescribe(int child) = 0;
  // A default action asked from another program is carried out after the call has
  // returned (post it), never inside the caller's COM call. False: there is none.
  virtual bool AccessibleDoDefault(int child) = 0;
  virtual AccessibleFocusAt AccessibleFocus() = 0;

 protected:
  ~AccessibleSource() = default;
};

class AccessibleObject;

class AccessibleServer {
 public:
  AccessibleServer() = default;
  ~AccessibleServer() { Detach(); }
  AccessibleServer(const AccessibleServer&) = delete;
  AccessibleServer& operator=(const AccessibleServer&) = delete;

  // The answer to WM_GETOBJECT: the object for OBJID_CLIENT, else 0 (the platform's own
  // answer, which the window gets from DefWindowProc).
  LRESULT Answer(HWND hwnd, WPARAM wp, LPARAM lp, AccessibleSource& source);
  // The window goes: the object stops answering.
  void Detach();

 private:
  AccessibleObject* object_ = nullptr;  // one reference held while attached
};

// Tells assistive technology that the focus or a state changed in `child` of the
// client object of `hwnd`.
void NotifyAccessibleFocus(HWND hwnd, int child);
void NotifyAccessibleState(HWND hwnd, int child);

}  // namespace win
