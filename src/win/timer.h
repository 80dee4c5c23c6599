// A window timer with the framework's shape: an id, an interval and an enabled flag.
// Enabling (re)starts it; it is killed when disabled or destroyed.
#pragma once
#include <windows.h>

namespace win {

class Timer {
 public:
  Timer(UINT_PTR id, UINT intervalMs) : id_(id), interval_(intervalMs) {}
  ~Timer() { setEnabled(false); }
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void attach(HWND hwnd) { hwnd_ = hwnd; }
  UINT_PTR id() const { return id_; }
  bool enabled() const { return enabled_; }
  UINT interval() const { return interval_; }

  void setEnabled(bool on) {
    if (on && hwnd_) {
      SetTimer(hwnd_, id_, interval_, nullptr);
      enabled_ = true;
    } else {
      if (enabled_ && hwnd_ && IsWindow(hwnd_)) KillTimer(hwnd_, id_);
      enabled_ = false;
    }
  }
  void setInterval(UINT ms) {
    interval_ = ms;
    if (enabled_) setEnabled(true);
  }

 private:
  HWND hwnd_ = nullptr;
  UINT_PTR id_;
  UINT interval_;
  bool enabled_ = false;
};

}  // namespace win
