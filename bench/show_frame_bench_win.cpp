// One frame of the show under Wine at the virtual screen's size: the real Veskar_S
// window (capture, surfaces, the effect bound by name) runs frames at fixed levels. A
// frame is the effect, the refresh of the window and the pending events; the effect alone
// is timed between the frames to give its share.
//   show_frame_bench_win [frames per level]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/session.h"
#include "ratio_table.h"
#include "show/show_win.h"
#include "win/module.h"

int wmain(int argc, wchar_t** argv) {
  const int frames = argc > 1 ? _wtoi(argv[1]) : 60;
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
