// Waiting for the show's next level without spinning: MsgWaitForMultipleObjectsEx on a
// waitable timer, woken early by any message, which is handled at once.
#include "show/frame_clock_win.h"

#include <dwmapi.h>
#include <mmsystem.h>

#include <algorithm>

namespace show {

namespace {
// Windows 10 1803 and later; older systems refuse the flag and get a plain timer, made
// fine enough by timeBeginPeriod(1) for as long as the show runs.
constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr Nanos kSecond = 1'000'000'000;
}  // namespace

WinFrameClock::WinFrameClock(MessagePump& pump) : pump_(pump) {
  QueryPerformanceFrequency(&frequency_);
  timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS));
  if (!timer_) {
    timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS));
    finerSchedulerTicks_ = timeBeginPeriod(1) == TIMERR_NOERROR;
  }
}

WinFrameClock::~WinFrameClock() {
  if (finerSchedulerTicks_) timeEndPeriod(1);
}

Nanos WinFrameClock::Now() {
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  const int64_t f = frequency_.QuadPart > 0 ? frequency_.QuadPart : 1;
  return c.QuadPart / f * kSecond + c.QuadPart % f * kSecond / f;
}

bool WinFrameClock::CompositionOn() {
  BOOL on = FALSE;
  return SUCCEEDED(DwmIsCompositionEnabled(&on)) && on;
}

int WinFrameClock::RefreshRate() {
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return 0;
  return static_cast<int>(mode.dmDisplayFrequency);
}

bool WinFrameClock::WaitForCompositor() {
  if (!CompositionOn()) return false;
  const bool waited = SUCCEEDED(DwmFlush());
  pump_.PumpMessages();  // input that came during the frame is handled now
  return waited;
}

void WinFrameClock::WaitUntil(Nanos due) {
  for (;;) {
    const Nanos left = due - Now();
    if (left <= 0) return;
    LARGE_INTEGER relative;
    relative.QuadPart = -std::max<Nanos>(1, left / 100);  // 100 ns units; negative: from now
    HANDLE timer = timer_.get();
    const bool armed = timer && SetWaitableTimer(timer, &relative, 0, nullptr, nullptr, FALSE);
    const DWORD handles = armed ? 1 : 0;
    // Without a timer, the wait's own timeout, rounded up to whole milliseconds.
    const DWORD timeout = armed ? INFINITE : static_cast<DWORD>((left + 999'999) / 1'000'000);
    const DWORD woke = MsgWaitForMultipleObjectsEx(handles, armed ? &timer : nullptr, timeout, QS_ALLINPUT,
                                                   MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0 + handles) {
      pump_.PumpMessages();
    } else if (woke == WAIT_FAILED) {
      Sleep(1);  // never spin on a wait that cannot be made
    }
  }
}

void WinFrameClock::WaitForMessages() {
  MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  pump_.PumpMessages();
}

}  // namespace show
