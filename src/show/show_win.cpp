// The full-screen show: Veskar_S's load (the capture and the music's start), the
// pixelation loop that Timer3's first tick enters, the music timers, and the ending on a
// click, a key or a close.
#include "show/show_win.h"

#include <windowsx.h>

#include <memory>
#include <utility>

#include "app/mode.h"
#include "app/modes.h"
#include "win/pump.h"
#include "win/strings.h"

namespace show {

namespace {
constexpr DWORD kHoldMs = 1000;
}  // namespace

Veskar_S::Veskar_S(app::Session& session)
    : session_(session),
      player_(mci_, sound_, session.settings, session.LastApiResult),
      music_(player_, timer1_, timer2_) {}

bool Veskar_S::Load(bool startCycle) {
  // The primary screen's size at its top-left corner; with no border the client area is
  // the whole window, and it is the size of both pictures and of every copy.
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  const win::WindowClass cls{L"Veskar_S", CS_OWNDC, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))};
  if (!create(cls, 0, WS_POPUP, win::widen(app::kShowTitle), 0, 0, w, h)) return false;
  RECT client{};
  GetClientRect(hwnd(), &client);
  width_ = client.right;
  height_ = client.bottom;
  screen_.emplace(hwnd());
  display_.create(width_, height_);
  master_.create(width_, height_);

  // The capture, before the window is shown. The desktop window's DC reads the screen as
  // it is shown, other programs' windows included (Wine's too: its desktop DC reads the
  // X root window). Failing that, both pictures stay black and the show runs on black.
  {
    win::WindowDc desktop(GetDesktopWindow());
    if (desktop && master_.dc()) {
      ShowApiResult = BitBlt(master_.dc(), 0, 0, width_, height_, desktop.get(), 0, 0, SRCCOPY);
    }
  }  // the desktop's DC is released right after the capture
  if (display_.dc() && master_.dc()) master_.copyTo(display_.dc());

  timer1_.attach(hwnd());
  timer2_.attach(hwnd());
  timer3_.attach(hwnd());
  if (startCycle) timer3_.setEnabled(true);
  StartMusic(music_, session_.settings);

  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ShowApiResult = SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  return true;
}

void Veskar_S::CallEffect(int32_t level) {
  effect_.Call(display_.dc(), master_.dc(), level, &ShowApiResult);
}

void Veskar_S::Refresh() {
  if (screen_ && *screen_) display_.copyTo(screen_->get());
}

void Veskar_S::ProcessPendingEvents() {
  // A WM_QUIT for this thread asks the program to end: the show ends as on a close.
  if (!win::PumpPendingMessages()) End();
}

void Veskar_S::Frame(int32_t level) {
  CallEffect(level);
  Refresh();
  ProcessPendingEvents();
}

void Veskar_S::RunLoop() {
  timer3_.setEnabled(false);  // its handler is entered once
  looping_ = true;
  cycle_ = LevelCycle{};
  for (;;) {
    CallEffect(cycle_.Level());
    if (cycle_.Step(session_.settings.Degree)) {
      // Back at 0: the sharp picture, shown and held. Input that comes during the hold
      // waits for the next round of events.
      ShowApiResult = BitBlt(display_.dc(), 0, 0, width_, height_, master_.dc(), 0, 0, SRCCOPY);
      Refresh();
      ProcessPendingEvents();
      Sleep(kHoldMs);
    }
    Refresh();
    ProcessPendingEvents();
  }
}

void Veskar_S::End() {
  if (ending_) return;
  ending_ = true;
  StopMusic(music_, session_.settings);
  if (GivesCursorBack(session_.ArgumentString)) {
    // The kept counter is the show flag: -1 (the usual) counts the cursor back up.
    session_.CursorCount = ShowCursor(session_.CursorCount);
  }
  ExitProcess(0);  // at once: no other handler runs, the loop is never resumed
}

void Veskar_S::Paint() {
  win::PaintDc paint(hwnd());
  if (!display_.empty()) {
    display_.copyTo(paint.get());
  } else {
    RECT rc{0, 0, width_, height_};
    FillRect(paint.get(), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
}

LRESULT Veskar_S::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == timer3_.id()) {
        if (!looping_) RunLoop();
      } else if (wp == timer1_.id()) {
        OnTimer1(music_);
      } else if (wp == timer2_.id()) {
        OnTimer2(music_);
      }
      return 0;

    // Any key ends the show, lone Shift, Ctrl and Alt included (Alt and F10 come as
    // system keys).
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      End();
      return 0;

    // A click is a left or right button pressed and released over the picture, which
    // fills the window. Moving the mouse does nothing.
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      (msg == WM_LBUTTONDOWN ? leftDown_ : rightDown_) = true;
      SetCapture(hwnd());
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      const bool wasDown = std::exchange(msg == WM_LBUTTONUP ? leftDown_ : rightDown_, false);
      if (!leftDown_ && !rightDown_ && GetCapture() == hwnd()) ReleaseCapture();
      const POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      const RECT picture{0, 0, width_, height_};
      if (wasDown && PtInRect(&picture, at)) End();
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != hwnd()) leftDown_ = rightDown_ = false;
      return 0;

    // Every other way of closing the window ends the show the same way.
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
      End();
      return 0;
    case WM_ENDSESSION:
      if (wp) End();  // a tool may send it without the query first
      return 0;

    case WM_ERASEBKGND:
      return 1;  // the picture covers the whole client area
    case WM_PAINT:
      Paint();
      return 0;
    default:
      return Window::onMessage(msg, wp, lp);
  }
}

}  // namespace show

namespace app {

int RunShow(Session& session) {
  // Lives as long as the process: the show ends the process from inside its loop.
  auto form = std::make_unique<show::Veskar_S>(session);
  if (!form->Load()) return 0;
  win::RunMessageLoop();
  form->End();  // a WM_QUIT before the loop began ends the show like a close
  return 0;
}

}  // namespace app
