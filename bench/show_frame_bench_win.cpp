// One frame of the show under Wine at the virtual screen's size: the real Veskar_S
// window (capture, surfaces, the effect bound by name) runs frames at fixed levels over a
// busy picture put on the screen first. A frame is the effect, the refresh of the window
// and the pending events; the effect alone is timed between the frames for its share.
//   show_frame_bench_win [frames per level]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/session.h"
#include "ratio_table.h"
#include "show/show_win.h"
#include "win/handle.h"
#include "win/module.h"
#include "win/pump.h"
#include "win/surface.h"

namespace {

// A window over the whole screen showing colour noise on a gradient, for the show to
// capture (an empty virtual screen is one flat colour).
LRESULT CALLBACK BackdropProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wp, lp);
  win::PaintDc paint(hwnd);
  RECT rc;
  GetClientRect(hwnd, &rc);
  win::Surface picture;
  if (picture.create(rc.right, rc.bottom)) {
    uint32_t state = 1;
    for (int y = 0; y < rc.bottom; ++y) {
      for (int x = 0; x < rc.right; ++x) {
        state = state * 1664525u + 1013904223u;
        const uint32_t base = (uint32_t(x * 255 / rc.right) << 16) | (uint32_t(y * 255 / rc.bottom) << 8);
        picture.bits()[size_t(y) * rc.right + x] = base ^ ((state >> 8) & 0x3F3F3F);
      }
    }
    picture.copyTo(paint.get());
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int frames = argc > 1 ? _wtoi(argv[1]) : 60;
  WNDCLASSW wc{};
  wc.lpfnWndProc = BackdropProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VeskarBenchBackdrop";
  RegisterClassW(&wc);
  win::UniqueWindow backdrop(CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                             nullptr, nullptr, wc.hInstance, nullptr));
  UpdateWindow(backdrop.get());
  for (int i = 0; i < 30; ++i) {
    win::PumpPendingMessages();
    Sleep(10);
  }

  app::Session session;
  session.ArgumentString = "/s";
  session.programFolder = win::ProgramFolder();
  show::Veskar_S form(session);
  if (!form.Load(false)) return 1;
  const int w = form.display().width(), h = form.display().height();
  std::printf("\nShow frame under Wine at %dx%d (effect + refresh + pending events), medians of %d\n", w, h,
              frames);
  std::printf("%6s %10s %10s %8s\n", "level", "frame ms", "effect ms", "share");
  using Clock = std::chrono::steady_clock;
  for (int level : {0, 1, 2, 3, 7, 15, 63, 255}) {
    std::vector<double> frameTimes, effectTimes;
    form.Frame(level);
    for (int i = 0; i < frames; ++i) {
      const auto t0 = Clock::now();
      form.Frame(level);
      const auto t1 = Clock::now();
      form.CallEffect(level);
      const auto t2 = Clock::now();
      frameTimes.push_back(std::chrono::duration<double>(t1 - t0).count());
      effectTimes.push_back(std::chrono::duration<double>(t2 - t1).count());
    }
    const double f = bench::Median(frameTimes), e = bench::Median(effectTimes);
    std::printf("%6d %10.2f %10.2f %7.0f%%\n", level, f * 1e3, e * 1e3, 100 * e / f);
  }
  return 0;
}
