// One frame of the show under Wine at the virtual screen's size: the real Veskar_S
// window (capture, surfaces, the effect bound by name) runs frames at fixed levels over a
// busy picture put on the screen first. A frame is the effect, the refresh of the window
// and the pending events; the effect alone is timed between the frames for its share.
//   show_frame_bench_win [frames per level]
//   show_frame_bench_win desk <monitors> <width> <height> [frames [library]]
//                          the same on a desk of that many monitors of one size side by
//                          side (the X screen must hold them): a frame at a mid-climb level
//                          as a ratio to the 60 Hz period, and the pictures' memory; with
//                          the effects library of that name beside the program when given
//                          (another build of it, to compare)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "app/session.h"
#include "ratio_table.h"
#include "show/show_win.h"
#include "win/handle.h"
#include "win/module.h"
#include "win/pump.h"
#include "win/strings.h"
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

// Medians of a whole frame and of the effect alone at `level`, in seconds, timed
// alternately after one frame that warms up.
std::pair<double, double> TimeFrames(show::Veskar_S& form, int level, int frames) {
  using Clock = std::chrono::steady_clock;
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
  return {bench::Median(frameTimes), bench::Median(effectTimes)};
}

std::vector<show::DeskRect> g_desk;

// The busy picture over the whole screen, shown; closed with the returned owner.
win::UniqueWindow ShowBackdrop() {
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
  return backdrop;
}

int DeskBench(int monitors, int width, int height, int frames, const std::wstring& library) {
  for (int i = 0; i < monitors; ++i) g_desk.push_back({i * width, 0, (i + 1) * width, height});
  app::Session session;
  session.ArgumentString = "/s";
  session.programFolder = win::ProgramFolder();
  show::Veskar_S form(session, library, [] { return show::LayOutDesk({}, g_desk); });
  if (!form.Load(false)) return 1;
  // What the show holds for the desk: two 32-bit pictures of each monitor's size (the
  // library's working memory is a few rows).
  size_t pictures = 0;
  for (const auto& m : form.monitors()) pictures += 2 * size_t(m.Display.width()) * size_t(m.Display.height()) * 4;
  const int level = 20;  // mid-climb at the default degree; the effect's time hardly depends on it
  const double period = 1.0 / 60;
  const auto [f, e] = TimeFrames(form, level, frames);
  const std::string name = library == show::kEffectLibrary ? std::string() : "  (" + win::narrow(library) + ")";
  std::printf("%d x %dx%d  frame %7.2f ms = %.2f of a 60 Hz period (effect %.2f ms, %.0f%%)  pictures %.0f MiB%s\n",
              monitors, width, height, f * 1e3, f / period, e * 1e3, 100 * e / f, double(pictures) / (1 << 20),
              name.c_str());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 5 && std::wstring(argv[1]) == L"desk") {
    const win::UniqueWindow backdrop = ShowBackdrop();
    return DeskBench(_wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), argc > 5 ? _wtoi(argv[5]) : 40,
                     argc > 6 ? argv[6] : show::kEffectLibrary);
  }
  const int frames = argc > 1 ? _wtoi(argv[1]) : 60;
  const win::UniqueWindow backdrop = ShowBackdrop();

  app::Session session;
  session.ArgumentString = "/s";
  session.programFolder = win::ProgramFolder();
  show::Veskar_S form(session);
  if (!form.Load(false)) return 1;
  const int w = form.monitors().front().Display.width(), h = form.monitors().front().Display.height();
  std::printf("\nShow frame under Wine at %dx%d (effect + refresh + pending events), medians of %d\n", w, h,
              frames);
  std::printf("%6s %10s %10s %8s\n", "level", "frame ms", "effect ms", "share");
  for (int level : {0, 1, 2, 3, 7, 15, 63, 255}) {
    const auto [f, e] = TimeFrames(form, level, frames);
    std::printf("%6d %10.2f %10.2f %7.0f%%\n", level, f * 1e3, e * 1e3, 100 * e / f);
  }
  return 0;
}
