// Asking a window what it tells assistive technology, as a screen reader asks: its client
// object through AccessibleObjectFromWindow, then the role, state, name, value,
// description and default action of the object or of one of its children. The caller's
// thread is in a COM apartment (win::ComApartment), as a reader's is. For the shell tests
// in the dialog's own process and the end-to-end tests in another.
#pragma once
#include <windows.h>

#include <oleacc.h>

#include <string>

#include "win/com.h"

namespace testing_support {

inline VARIANT ChildId(long id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

struct Described {
  long role = -1;  // -1: not answered
  long state = 0;
  std::wstring name, value, description, action;
  bool has(long flags) const { return (state & flags) == flags; }
};

inline std::wstring TakeText(BSTR text) {
  std::wstring s = text ? std::wstring(text, SysStringLen(text)) : L"";
  SysFreeString(text);
  return s;
}

inline Described Describe(IAccessible* a, long child = CHILDID_SELF) {
  Described d;
  if (!a) return d;
  VARIANT out;
  VariantInit(&out);
  if (SUCCEEDED(a->get_accRole(ChildId(child), &out)) && out.vt == VT_I4) d.role = out.lVal;
  VariantInit(&out);
  if (SUCCEEDED(a->get_accState(ChildId(child), &out)) && out.vt == VT_I4) d.state = out.lVal;
  BSTR text = nullptr;
  if (SUCCEEDED(a->get_accName(ChildId(child), &text))) d.name = TakeText(text);
  text = nullptr;
  if (SUCCEEDED(a->get_accValue(ChildId(child), &text))) d.value = TakeText(text);
  text = nullptr;
  if (SUCCEEDED(a->get_accDescription(ChildId(child), &text))) d.description = TakeText(text);
  text = nullptr;
  if (SUCCEEDED(a->get_accDefaultAction(ChildId(child), &text))) d.action = TakeText(text);
  return d;
}

// The client object of a window (empty when it gave none). MinGW's import library makes
// IID_IAccessible a thunk: the GUID comes from __uuidof.
inline win::Com<IAccessible> ClientObject(HWND hwnd) {
  win::Com<IAccessible> a;
  if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                        a.putVoid()))) {
    a.reset();
  }
  return a;
}

// What get_accFocus answers: a child id (CHILDID_SELF for the object itself), or the
// object of a control inside, or neither (child -1, no object).
struct FocusAnswer {
  long child = -1;
  win::Com<IAccessible> object;
};

inline FocusAnswer FocusOf(IAccessible* a) {
  FocusAnswer answer;
  VARIANT out;
  VariantInit(&out);
  if (!a || FAILED(a->get_accFocus(&out))) return answer;
  if (out.vt == VT_I4) answer.child = out.lVal;
  if (out.vt == VT_DISPATCH && out.pdispVal) {
    out.pdispVal->QueryInterface(__uuidof(IAccessible), answer.object.putVoid());
  }
  VariantClear(&out);
  return answer;
}

}  // namespace testing_support
