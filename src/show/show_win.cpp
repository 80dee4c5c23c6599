// The full-screen show: Veskar_S's load (the capture and the music's start), the
// pixelation loop that Timer3's first tick enters, the music timers, and the ending on a
// click, a key or a close.
#include "show/show_win.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "app/mode.h"
#include "app/modes_win.h"
#include "show/fallback_picture_win.h"
#include "show/picture_fit.h"
#include "win/pump.h"
#include "win/strings.h"

namespace show {

namespace {
constexpr DWORD kHoldMs = 1000;

// The console display's state: DWORD 0 off, 1 on, 2 dimmed (Windows 8 and later), and the
// older monitor state (0 off, 1 on) for systems that do not send the first.
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
}  // namespace

Veskar_S::Veskar_S(app::Session& session, std::wstring effectLibrary, DeskReader readDesk)
    : Veskar_S(session, ShowParts{std::move(effectLibrary), std::move(readDesk)}) {}

Veskar_S::Veskar_S(app::Session& session, ShowParts parts)
    : session_(session),
      readDesk_(std::move(parts.readDesk)),
      makePicture_(std::move(parts.makePicture)),
      player_(parts.mci ? *parts.mci : mci_, parts.sound ? *parts.sound : sound_, session.settings,
              session.LastApiResult),
      music_(player_, timer1_, timer2_),
      effect_(std::move(parts.effectLibrary)),
      pacer_(PaceForRefreshRate(WinFrameClock::RefreshRate()), WinFrameClock::CompositionOn()) {}

namespace {

// What a picture must leave free: a 32-bit program runs out of address space long before
// the machine runs out of memory, and pictures that took the last of it would leave
// nothing for what the show and the system still allocate (a desk change, the window's
// surface, the wallpaper's decoding). A picture that would is not made: its monitor shows
// black, and the show goes on.
constexpr uint64_t kSpareBytes = 64ull << 20;

bool RoomForPicture(int width, int height) {
  const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4 + kSpareBytes;
  if (bytes > SIZE_MAX) return false;
  // The address space, as one block (a picture is one); then the memory to back it.
  void* probe = VirtualAlloc(nullptr, SIZE_T(bytes), MEM_RESERVE, PAGE_NOACCESS);
  if (!probe) return false;
  VirtualFree(probe, 0, MEM_RELEASE);
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  return !GlobalMemoryStatusEx(&memory) || memory.ullAvailPageFile >= bytes;
}

}  // namespace

bool Veskar_S::MakePicture(win::Surface& picture, int width, int height) {
  if (makePicture_) return makePicture_(picture, width, height);
  return width > 0 && height > 0 && RoomForPicture(width, height) && picture.create(width, height);
}

void Veskar_S::MakePictures(MonitorPictures& m) {
  // A failed picture keeps its memory DC and the DC's stock 1x1 bitmap: handed to the
  // effect, that would be drawn into. Neither picture is kept, so the monitor shows black.
  if (!MakePicture(m.Master, m.place.width(), m.place.height()) ||
      !MakePicture(m.Display, m.place.width(), m.place.height()) || !m.hasPictures()) {
    m.Display = win::Surface();
    m.Master = win::Surface();
  }
}

bool Veskar_S::Load(bool startCycle) {
  // Every monitor, in one window over their bounding box (negative coordinates where a
  // monitor is left of or above the primary); with no border the client area is the
  // whole window. What lies between monitors is black.
  const DeskLayout desk = readDesk_();
  window_ = desk.window;
  const win::WindowClass cls{L"Veskar_S", CS_OWNDC, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))};
  if (!create(cls, 0, WS_POPUP, win::widen(app::kShowTitle), window_.left, window_.top, window_.width(),
              window_.height()))
    return false;
  RECT client{};
  GetClientRect(hwnd(), &client);
  width_ = client.right;
  height_ = client.bottom;
  screen_.emplace(hwnd());
  monitors_.reserve(desk.monitors.size());
  for (const MonitorPlace& place : desk.monitors) {
    monitors_.push_back(MonitorPictures{place, {}, {}});
    MakePictures(monitors_.back());
  }
  CaptureDesk();

  // Nothing is drawn while the display is off (power saving while the show runs).
  displayState_.reset(RegisterPowerSettingNotification(hwnd(), &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE));
  if (!displayState_) {
    displayState_.reset(RegisterPowerSettingNotification(hwnd(), &kMonitorPowerOn, DEVICE_NOTIFY_WINDOW_HANDLE));
  }

  timer1_.attach(hwnd());
  timer2_.attach(hwnd());
  timer3_.attach(hwnd());
  if (startCycle) timer3_.setEnabled(true);
  musicPower_.Start(music_, session_.settings);

  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ShowApiResult = SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  return true;
}

void Veskar_S::CaptureDesk() {
  // Every monitor once, before the window is shown. The desktop window's DC reads the
  // screen as it is shown, other programs' windows included (Wine's too: its desktop DC
  // reads the X root window). Its origin is found rather than assumed: the primary's corner
  // on Windows, whatever a driver makes it.
  std::vector<show::Capture> captures;
  captures.reserve(monitors_.size());
  {
    win::WindowDc desktop(GetDesktopWindow());
    POINT origin{};
    if (desktop) GetDCOrgEx(desktop.get(), &origin);
    for (MonitorPictures& m : monitors_) {
      if (!m.hasPictures()) {
        captures.push_back(Capture::NoPictures);
        continue;
      }
      ShowApiResult = desktop ? BitBlt(m.Master.dc(), 0, 0, m.place.width(), m.place.height(), desktop.get(),
                                       m.place.screen.left - origin.x, m.place.screen.top - origin.y, SRCCOPY)
                              : FALSE;
      captures.push_back(ShowApiResult ? Capture::Desktop : Capture::CopyFailed);
    }
  }  // the desktop's DC is released right after the capture
  GdiFlush();  // the copies may still be batched; the bits are read directly
  for (size_t i = 0; i < monitors_.size(); ++i) {
    const win::Surface& master = monitors_[i].Master;
    if (captures[i] == Capture::Desktop &&
        IsOneColour(master.bits(), master.stride(), master.width(), master.height()))
      captures[i] = Capture::OneColour;
  }
  // A capture that shows nothing is decided for the whole desk.
  const std::vector<bool> fallBack = FallBackMonitors(captures);
  for (size_t i = 0; i < monitors_.size(); ++i) {
    MonitorPictures& m = monitors_[i];
    if (fallBack[i]) DrawBlankCapturePicture(m.Master, win::ThisModule());
    if (m.hasPictures()) m.Master.copyTo(m.Display.dc());
  }
}

void Veskar_S::CallEffect(int32_t level) {
  // Every monitor at the same level, each a whole picture of its own.
  for (MonitorPictures& m : monitors_) {
    if (m.hasPictures()) effect_.Call(m.Display.dc(), m.Master.dc(), level, &ShowApiResult);
  }
}

void Veskar_S::Refresh() {
  if (!screen_ || !*screen_) return;
  for (const MonitorPictures& m : monitors_) {
    if (m.hasPictures()) m.Display.copyTo(screen_->get(), m.place.x, m.place.y);
  }
}

void Veskar_S::RestoreSharpPicture() {
  for (MonitorPictures& m : monitors_) {
    if (m.hasPictures()) ShowApiResult = m.Master.copyTo(m.Display.dc());
  }
}

void Veskar_S::PlaceWindow() {
  SetWindowPos(hwnd(), HWND_TOPMOST, window_.left, window_.top, window_.width(), window_.height(), SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(hwnd(), &client);
  width_ = client.right;
  height_ = client.bottom;
}

void Veskar_S::OnDisplayChange() {
  const DeskLayout desk = readDesk_();
  if (desk.monitors.empty()) return;  // a desk read half way through: the next change tells
  window_ = desk.window;
  std::vector<MonitorPlace> before;
  before.reserve(monitors_.size());
  for (const MonitorPictures& m : monitors_) before.push_back(m.place);
  const DeskChange change = PlanDeskChange(before, desk.monitors);

  // Never two sets at once: a desk that fitted at load must fit through its changes. A
  // monitor that goes or changes gives up its Display first (it holds nothing the new desk
  // needs), then its capture once what it keeps has been carried into the new ones.
  std::vector<bool> kept(monitors_.size(), false);
  for (const auto& from : change.keeps) {
    if (from) kept[*from] = true;
  }
  for (size_t i = 0; i < monitors_.size(); ++i) {
    if (!kept[i]) monitors_[i].Display = win::Surface();
  }
  std::vector<MonitorPictures> next(desk.monitors.size());
  for (size_t i = 0; i < next.size(); ++i) {
    next[i].place = desk.monitors[i];
    if (!change.keeps[i]) MakePicture(next[i].Master, next[i].place.width(), next[i].place.height());
  }
  // Each new capture keeps what its monitor still shows of the old ones, at the same place
  // on the desk; what was never captured stays black.
  for (const CarriedPiece& piece : change.pieces) {
    const win::Surface& from = monitors_[piece.from].Master;
    win::Surface& to = next[piece.to].Master;
    if (from.empty() || to.empty()) continue;
    BitBlt(to.dc(), piece.toX, piece.toY, piece.width, piece.height, from.dc(), piece.fromX, piece.fromY, SRCCOPY);
  }
  for (size_t i = 0; i < monitors_.size(); ++i) {
    if (!kept[i]) monitors_[i].Master = win::Surface();
  }
  for (size_t i = 0; i < next.size(); ++i) {
    MonitorPictures& m = next[i];
    if (const auto from = change.keeps[i]) {
      m.Display = std::move(monitors_[*from].Display);  // moved with the window, not remade
      m.Master = std::move(monitors_[*from].Master);
    } else if (m.Master.empty() || !MakePicture(m.Display, m.place.width(), m.place.height()) ||
               m.Display.empty()) {
      m.Display = win::Surface();
      m.Master = win::Surface();
    } else {
      m.Master.copyTo(m.Display.dc());
    }
  }
  monitors_ = std::move(next);
  PlaceWindow();
  InvalidateRect(hwnd(), nullptr, FALSE);
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
  pacer_.Restart(clock_.Now());
  for (;;) RunFrame();
}

void Veskar_S::RunFrame() {
  if (!displayOn_) {
    // Nobody can see the show: nothing is drawn until the display is back, and then the
    // cycle goes on where it was. Input and the music timers are still handled.
    while (!displayOn_) clock_.WaitForMessages();
    pacer_.Restart(clock_.Now());
    return;
  }
  // Each level stays on the screen until the next is due (at least one refresh); the
  // wait handles input as it comes, and what came during a late frame is handled after it.
  CallEffect(cycle_.Level());
  Refresh();
  pacer_.WaitForNextLevel(clock_);
  ProcessPendingEvents();
  if (cycle_.Step(session_.settings.Degree)) {
    // Back at 0: the sharp picture, shown and held. Input that comes during the hold
    // waits for the next round of events.
    RestoreSharpPicture();
    Refresh();
    ProcessPendingEvents();
    Sleep(kHoldMs);
    Refresh();
    ProcessPendingEvents();
    pacer_.Restart(clock_.Now());
  }
}

void Veskar_S::OnPowerSetting(const POWERBROADCAST_SETTING& setting) {
  if (setting.DataLength < sizeof(DWORD)) return;
  if (!IsEqualGUID(setting.PowerSetting, kConsoleDisplayState) &&
      !IsEqualGUID(setting.PowerSetting, kMonitorPowerOn)) {
    return;
  }
  DWORD state = 0;
  std::memcpy(&state, setting.Data, sizeof state);
  displayOn_ = state != 0;  // a dimmed display (2) is still seen
  OnPowerEvent(displayOn_ ? PowerEvent::DisplayOn : PowerEvent::DisplayOff);
}

void Veskar_S::OnPowerEvent(PowerEvent event) { musicPower_.Handle(event, music_, session_.settings); }

void Veskar_S::End() {
  if (ending_) return;
  ending_ = true;
  musicPower_.End(music_, session_.settings);
  if (GivesCursorBack(session_.ArgumentString)) {
    // The kept counter is the show flag: -1 (the usual) counts the cursor back up.
    session_.CursorCount = ShowCursor(session_.CursorCount);
  }
  ExitProcess(0);  // at once: no other handler runs, the loop is never resumed
}

void Veskar_S::Paint() {
  win::PaintDc paint(hwnd());
  // Each monitor's picture, then black around them (gaps of the desk, failed pictures).
  // The DC is the window's own (CS_OWNDC), which the refreshes use too: its clipping is
  // put back as it was.
  const int saved = SaveDC(paint.get());
  for (const MonitorPictures& m : monitors_) {
    if (m.Display.empty()) continue;
    m.Display.copyTo(paint.get(), m.place.x, m.place.y);
    ExcludeClipRect(paint.get(), m.place.x, m.place.y, m.place.x + m.place.width(), m.place.y + m.place.height());
  }
  RECT rc{0, 0, width_, height_};
  FillRect(paint.get(), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (saved) RestoreDC(paint.get(), saved);
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

    // A monitor plugged in or out, or a resolution changed: the show goes on over the
    // new desk.
    case WM_DISPLAYCHANGE:
      OnDisplayChange();
      return 0;

    // The display going off and on, and the computer going to sleep and waking up. The
    // show never asks Windows to keep either on (no SetThreadExecutionState, no power
    // request): while the display is off it draws nothing and plays nothing, so that the
    // computer sleeps when its power settings say. The music comes back at
    // PBT_APMRESUMESUSPEND, which follows a wake by someone at the computer; a wake for a
    // timer or for maintenance (PBT_APMRESUMEAUTOMATIC alone) would play to nobody and
    // hold off the sleep that follows it.
    case WM_POWERBROADCAST:
      if (wp == PBT_POWERSETTINGCHANGE && lp) {
        OnPowerSetting(*reinterpret_cast<const POWERBROADCAST_SETTING*>(lp));
      } else if (wp == PBT_APMSUSPEND) {
        OnPowerEvent(PowerEvent::Suspend);
      } else if (wp == PBT_APMRESUMESUSPEND) {
        OnPowerEvent(PowerEvent::Resume);
      }
      return TRUE;

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
