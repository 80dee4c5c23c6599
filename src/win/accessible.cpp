// The IAccessible behind AccessibleServer. The IDispatch half is not offered (MSAA
// clients call IAccessible directly); navigation and selection beyond the focus are
// left to the platform's window objects.
#include "win/accessible.h"

#include <oleauto.h>

#include <new>

#include "win/com.h"

namespace win {

// The interface's id is taken with __uuidof: MinGW's oleacc import library resolves the
// name IID_IAccessible to an import thunk, not to the GUID.

namespace {

BSTR Bstr(const std::wstring& text) {
  return text.empty() ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

VARIANT Self() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

// A child that is a window answers for itself, as the children of Windows' own dialogs
// do: what its object says of itself is what its parent says of it.
template <typename Ask>
HRESULT AskWindow(HWND window, Ask ask) {
  Com<IAccessible> own;
  const HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                                __uuidof(IAccessible), own.putVoid());
  if (FAILED(hr)) return hr;
  return own ? ask(own.get()) : E_FAIL;
}

}  // namespace

// COM objects end in their own Release, never through a pointer to the interface: the
// interface's missing virtual destructor does not matter.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class AccessibleObject final : public IAccessible {
 public:
  AccessibleObject(HWND hwnd, AccessibleSource& source) : hwnd_(hwnd), source_(&source) {}
  void Detach() { source_ = nullptr; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: not offered.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!source_) return CO_E_OBJNOTCONNECTED;
    return AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                      reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    if (!source_) return CO_E_OBJNOTCONNECTED;
    *count = source_->AccessibleChildCount();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    int id = 0;
    if (const HRESULT hr = Child(child, id); FAILED(hr)) return hr;
    if (id == 0) return E_INVALIDARG;
    const AccessibleItem item = source_->AccessibleDescribe(id);
    if (!item.window) return S_FALSE;  // a simple element: asked through this object
    return AccessibleObjectFromWindow(item.window, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                      reinterpret_cast<void**>(out));
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
    return Text(child, out, &AccessibleItem::name, &IAccessible::get_accName);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
    return Text(child, out, &AccessibleItem::value, &IAccessible::get_accValue);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    return Text(child, out, &AccessibleItem::description, &IAccessible::get_accDescription);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
    return Number(child, out, &AccessibleItem::role, &IAccessible::get_accRole);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
    return Number(child, out, &AccessibleItem::state, &IAccessible::get_accState);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    if (!source_) return CO_E_OBJNOTCONNECTED;
    const AccessibleFocusAt at = source_->AccessibleFocus();
    if (at.window) {
      // The focused control's own object.
      IDispatch* control = nullptr;
      const HRESULT hr = AccessibleObjectFromWindow(at.window, static_cast<DWORD>(OBJID_CLIENT), IID_IDispatch,
                                                    reinterpret_cast<void**>(&control));
      if (FAILED(hr) || !control) return FAILED(hr) ? hr : S_FALSE;
      out->vt = VT_DISPATCH;
      out->pdispVal = control;
      return S_OK;
    }
    if (at.child < 0) return S_FALSE;
    out->vt = VT_I4;
    out->lVal = at.child == 0 ? CHILDID_SELF : at.child;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    if (out) VariantInit(out);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    return Text(child, out, &AccessibleItem::defaultAction, &IAccessible::get_accDefaultAction);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
    if (!x || !y || !w || !h) return E_POINTER;
    int id = 0;
    if (const HRESULT hr = Child(child, id); FAILED(hr)) return hr;
    const RECT r = source_->AccessibleDescribe(id).screen;
    *x = r.left;
    *y = r.top;
    *w = r.right - r.left;
    *h = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT* out) override {
    if (out) VariantInit(out);
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    if (!source_) return CO_E_OBJNOTCONNECTED;
    const POINT p{x, y};
    const int n = source_->AccessibleChildCount();
    for (int id = 1; id <= n; ++id) {
      const AccessibleItem item = source_->AccessibleDescribe(id);
      if (!PtInRect(&item.screen, p)) continue;
      if (item.window) {
        out->vt = VT_DISPATCH;
        return AccessibleObjectFromWindow(item.window, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                          reinterpret_cast<void**>(&out->pdispVal));
      }
      out->vt = VT_I4;
      out->lVal = id;
      return S_OK;
    }
    const RECT self = source_->AccessibleDescribe(0).screen;
    if (!PtInRect(&self, p)) return S_FALSE;
    out->vt = VT_I4;
    out->lVal = CHILDID_SELF;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    int id = 0;
    if (const HRESULT hr = Child(child, id); FAILED(hr)) return hr;
    if (const HWND window = WindowOf(id)) {
      return AskWindow(window, [](IAccessible* own) { return own->accDoDefaultAction(Self()); });
    }
    return source_->AccessibleDoDefault(id) ? S_OK : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~AccessibleObject() = default;

  // The child id of a VARIANT, checked against the source.
  HRESULT Child(const VARIANT& child, int& id) const {
    if (!source_) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal < 0 || child.lVal > source_->AccessibleChildCount()) return E_INVALIDARG;
    id = static_cast<int>(child.lVal);
    return S_OK;
  }
  // The window of child `id` when it is one, else null (the object itself is never one).
  HWND WindowOf(int id) const { return id == 0 ? nullptr : source_->AccessibleDescribe(id).window; }

  using TextQuestion = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
  HRESULT Text(const VARIANT& child, BSTR* out, std::wstring AccessibleItem::*field, TextQuestion ask) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    int id = 0;
    if (const HRESULT hr = Child(child, id); FAILED(hr)) return hr;
    const AccessibleItem item = source_->AccessibleDescribe(id);
    if (id != 0 && item.window) return AskWindow(item.window, [&](IAccessible* own) { return (own->*ask)(Self(), out); });
    const std::wstring& text = item.*field;
    if (text.empty()) return S_FALSE;
    *out = Bstr(text);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  using NumberQuestion = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, VARIANT*);
  HRESULT Number(const VARIANT& child, VARIANT* out, long AccessibleItem::*field, NumberQuestion ask) const {
    if (!out) return E_POINTER;
    VariantInit(out);
    int id = 0;
    if (const HRESULT hr = Child(child, id); FAILED(hr)) return hr;
    const AccessibleItem item = source_->AccessibleDescribe(id);
    if (id != 0 && item.window) return AskWindow(item.window, [&](IAccessible* own) { return (own->*ask)(Self(), out); });
    out->vt = VT_I4;
    out->lVal = item.*field;
    return S_OK;
  }

  LONG refs_ = 1;
  HWND hwnd_;
  AccessibleSource* source_;
};
#pragma GCC diagnostic pop

LRESULT AccessibleServer::Answer(HWND hwnd, WPARAM wp, LPARAM lp, AccessibleSource& source) {
  if (static_cast<LONG>(lp) != OBJID_CLIENT) return 0;
  if (!object_) object_ = new (std::nothrow) AccessibleObject(hwnd, source);
  if (!object_) return 0;
  return LresultFromObject(__uuidof(IAccessible), wp, object_);
}

void AccessibleServer::Detach() {
  if (!object_) return;
  object_->Detach();
  object_->Release();
  object_ = nullptr;
}

void NotifyAccessibleFocus(HWND hwnd, int child) {
  NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, child == 0 ? CHILDID_SELF : child);
}

void NotifyAccessibleState(HWND hwnd, int child) {
  NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd, OBJID_CLIENT, child == 0 ? CHILDID_SELF : child);
}

}  // namespace win
