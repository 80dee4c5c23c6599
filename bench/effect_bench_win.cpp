// The effect under Wine, as the saver of this build's width runs it: GPX_Veskar of the built
// Runo_Effect.dll on two 32-bit DIB sections in memory DCs (the show's Display and
// Master), the plain per-block loop, and the GDI way (StretchBlt down to one pixel per
// block with HALFTONE, then back up), each against memcpy of the same frame, interleaved.
// With --before, another build of the library (a file beside the program) is measured the
// same way in the same run, for a table of both. Also counts the allocations of the kernel
// over many frames.
//   effect_bench_win [--quick] [--dll-only] [--levels-only] [--before Runo_Effect_before.dll]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "allocation_count.h"
#include "effects/pixelate.h"
#include "ratio_table.h"
#include "win/handle.h"
#include "win/module.h"
#include "win/strings.h"
#include "win/surface.h"

#if defined(__x86_64__)
#define VESKAR_BENCH_ARCH "x86_64"
#else
#define VESKAR_BENCH_ARCH "i686"
#endif

namespace {

using Entry = int32_t(__stdcall*)(HDC, HDC, int32_t, int32_t*);

// GPX_Veskar of a library beside the program (the library stays loaded), or nullptr.
Entry LoadEffect(const std::string& file, win::UniqueLibrary& module) {
  module.reset(LoadLibraryW(win::widen(win::ProgramFolder() + "\\" + file).c_str()));
  return module ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module.get(), "GPX_Veskar")))
                : nullptr;
}

void Fill(win::Surface& s, uint32_t seed) {
  std::mt19937 rng(seed);
  uint32_t* p = s.bits();
  for (int i = 0; i < s.width() * s.height(); ++i) p[i] = rng() & 0xFFFFFF;
}

// The show's two pictures at one size: Master filled with noise, Display its copy.
struct Frame {
  win::Surface master, display;
  bool create(int w, int h) {
    if (!master.create(w, h) || !display.create(w, h)) return false;
    Fill(master, uint32_t(w));
    return true;
  }
  void copy() { std::memcpy(display.bits(), master.bits(), size_t(master.width()) * master.height() * 4); }
};

}  // namespace

int main(int argc, char** argv) {
  bool quick = false, dllOnly = false, sweepOnly = false;
  std::string beforeFile;
  for (int i = 1; i < argc; ++i) {
    quick |= std::strcmp(argv[i], "--quick") == 0;
    dllOnly |= std::strcmp(argv[i], "--dll-only") == 0;
    sweepOnly |= std::strcmp(argv[i], "--levels-only") == 0;
    if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc) beforeFile = argv[++i];
  }
  const double budget = quick ? 0.08 : 0.3;
  win::UniqueLibrary dll, beforeDll;
  const Entry effect = LoadEffect("Runo_Effect.dll", dll);
  if (!effect) {
    std::printf("Runo_Effect.dll or GPX_Veskar not found beside the program\n");
    return 1;
  }
  const Entry before = beforeFile.empty() ? nullptr : LoadEffect(beforeFile, beforeDll);
  if (!beforeFile.empty() && !before) {
    std::printf("%s or its GPX_Veskar not found beside the program\n", beforeFile.c_str());
    return 1;
  }

  bench::RatioTable table;
  for (const auto& [w, h] : sweepOnly ? std::vector<std::pair<int, int>>{} : bench::FrameSizes()) {
    Frame frame;
    if (!frame.create(w, h)) return 1;
    win::Surface &master = frame.master, &display = frame.display;
    auto copy = [&] { frame.copy(); };
    for (int level : bench::Levels()) {
      int32_t result = 0;
      table.set("DLL", w, h, level,
                bench::MeasurePaired(copy, [&] { effect(display.dc(), master.dc(), level, &result); }, budget));
      if (before) {
        table.set("before", w, h, level,
                  bench::MeasurePaired(copy, [&] { before(display.dc(), master.dc(), level, &result); }, budget));
      }
      if (dllOnly) continue;
      table.set("scalar", w, h, level,
                bench::MeasurePaired(copy, [&] {
                  effects::PixelatePortable({master.bits(), w}, {display.bits(), w}, w, h, level);
                }, budget / 2, 3));
      // GDI: one pixel per block, then stretched back.
      const int side = effects::BlockSide(level, w, h);
      win::Surface small;
      small.create((w + side - 1) / side, (h + side - 1) / side);
      SetStretchBltMode(small.dc(), HALFTONE);
      SetBrushOrgEx(small.dc(), 0, 0, nullptr);
      SetStretchBltMode(display.dc(), COLORONCOLOR);
      table.set("GDI", w, h, level, bench::MeasurePaired(copy, [&] {
                  StretchBlt(small.dc(), 0, 0, small.width(), small.height(), master.dc(), 0, 0, w, h, SRCCOPY);
                  StretchBlt(display.dc(), 0, 0, w, h, small.dc(), 0, 0, small.width(), small.height(), SRCCOPY);
                  GdiFlush();
                }, budget / 2, 3));
      std::fflush(stdout);
    }
  }
  if (!sweepOnly) {
    table.printBoth(std::string(VESKAR_BENCH_ARCH " DLL under Wine (") + effects::PathName(effects::ChosenPath()) +
                    " path): time per frame / memcpy of the same frame, measured alternately");
  }

  // Every level a degree can reach and the last, not only the table's.
  std::printf("\nEvery level from 1 to 256, the DLL under Wine: median time per frame / memcpy\n");
  for (const auto& [w, h] : bench::FrameSizes()) {
    Frame frame;
    if (!frame.create(w, h)) return 1;
    int32_t result = 0;
    std::vector<bench::SweptWay> ways;
    for (const auto& [label, entry] : {std::pair{"this", effect}, std::pair{"before", before}}) {
      if (!entry) continue;
      ways.push_back({label, [&, entry = entry](int level) {
                        entry(frame.display.dc(), frame.master.dc(), level, &result);
                      }});
    }
    bench::PrintLevelSweep(ways, w, h, [&] { frame.copy(); }, quick ? 101 : 256, 1.2, quick ? 5 : 9);
  }

  // No allocation per frame: the kernel's scratch is made once for the width.
  {
    win::Surface master, display;
    if (master.create(3840, 2160) && display.create(3840, 2160)) {
      std::printf("\n");
      bench::PrintKernelAllocations({master.bits(), 3840}, {display.bits(), 3840}, 3840, 2160, VESKAR_BENCH_ARCH);
    }
  }
  return 0;
}
