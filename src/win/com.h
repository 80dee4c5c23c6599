// COM for the shell: an owner of one interface pointer (Release at the end, in the manner
// of ComPtr), and the apartment of a scope (CoUninitialize only when this scope's
// CoInitializeEx counted; OleUninitialize only when its OleInitialize did).
#pragma once
#include <objbase.h>
#include <ole2.h>
#include <windows.h>

#include <utility>

namespace win {

template <typename Interface>
class Com {
 public:
  Com() = default;
  ~Com() { reset(); }
  Com(Com&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Com& operator=(Com&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;

  Interface* get() const { return p_; }
  Interface* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For a creating call's out-parameter: drops what was held first.
  Interface** put() {
    reset();
    return &p_;
  }
  // For the calls that want void** with the interface's IID (CoCreateInstance).
  void** putVoid() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  Interface* p_ = nullptr;
};

// COM on this thread for a scope. A thread that has COM already in another model keeps
// it (RPC_E_CHANGED_MODE): COM is usable there all the same and is not ours to end.
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED)
      : result_(CoInitializeEx(nullptr, model)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

// A single-threaded apartment with OLE's services (the clipboard, drag and drop) for a
// scope. A thread already in one is counted once more (S_FALSE) and left as it was at the
// end; a thread in the multithreaded apartment (RPC_E_CHANGED_MODE), or one where OLE
// could not start, is not ours to end: nothing is undone for it.
class OleApartment {
 public:
  OleApartment() : result_(OleInitialize(nullptr)) {}
  ~OleApartment() {
    if (SUCCEEDED(result_)) OleUninitialize();
  }
  OleApartment(const OleApartment&) = delete;
  OleApartment& operator=(const OleApartment&) = delete;
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

}  // namespace win
