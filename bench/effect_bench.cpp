// Native benchmark of the pixelation kernel (Google Benchmark, built without sanitizers):
// each vector path the processor runs and the plain per-block loop at each frame size and
// level, against memcpy of the same frame; then a count of the allocations made while
// rendering frames.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
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

namespace {

// Pixels on a page boundary, as a DIB section's are.
struct PagePixels {
  explicit PagePixels(size_t n) : px(static_cast<uint32_t*>(std::aligned_alloc(4096, (n * 4 + 4095) / 4096 * 4096))) {
    if (!px) throw std::bad_alloc();
  }
  ~PagePixels() { std::free(px); }
  PagePixels(const PagePixels&) = delete;
  PagePixels& operator=(const PagePixels&) = delete;
  uint32_t* px;
};

struct Frame {
  int width, height;
  PagePixels src, dst;
  Frame(int w, int h) : width(w), height(h), src(size_t(w) * h), dst(size_t(w) * h) {
    std::mt19937 rng(w);
    for (size_t i = 0; i < size_t(w) * h; ++i) src.px[i] = rng();
    std::memset(dst.px, 0, bytes());
  }
  effects::ConstPixels in() const { return {src.px, width}; }
  effects::Pixels out() { return {dst.px, width}; }
  size_t bytes() const { return size_t(width) * size_t(height) * 4; }
};

Frame& FrameOf(int w, int h) {
  static std::vector<Frame*> frames;
  for (Frame* f : frames)
    if (f->width == w && f->height == h) return *f;
  frames.push_back(new Frame(w, h));
  return *frames.back();
}

bench::RatioTable g_table;

// One benchmark per way, frame size and level. Each iteration copies the frame with
// memcpy and then renders it; the reported time is the rendering's, and the table gets
// the ratio of the two medians.
void Register() {
  for (const auto& [w, h] : bench::FrameSizes()) {
    const std::string frame = std::to_string(w) + "x" + std::to_string(h);
    // Every vector path this processor runs, and the plain loop.
    for (auto path : {effects::KernelPath::Avx512, effects::KernelPath::Avx2, effects::KernelPath::Sse2,
                      effects::KernelPath::Portable}) {
      if (!effects::PathRuns(path)) continue;
      const char* way = path == effects::KernelPath::Portable ? "scalar" : effects::PathName(path);
      for (int level : bench::Levels()) {
        const std::string name = std::string(way) + "/" + frame + "/L" + std::to_string(level);
        benchmark::RegisterBenchmark(name.c_str(), [w = w, h = h, level, path, way](benchmark::State& st) {
          Frame& f = FrameOf(w, h);
          effects::Scratch scratch;
          auto render = [&] {
            effects::PixelateOn(path, f.in(), f.out(), w, h, level, scratch);
            benchmark::ClobberMemory();
          };
          auto copy = [&] {
            std::memcpy(f.dst.px, f.src.px, f.bytes());
            benchmark::ClobberMemory();
          };
          render();
          std::vector<double> copies, renders;
          for (auto _ : st) {
            const auto t0 = std::chrono::steady_clock::now();
            copy();
            const auto t1 = std::chrono::steady_clock::now();
            render();
            const auto t2 = std::chrono::steady_clock::now();
            copies.push_back(std::chrono::duration<double>(t1 - t0).count());
            renders.push_back(std::chrono::duration<double>(t2 - t1).count());
            st.SetIterationTime(renders.back());
          }
          const bench::Paired p{bench::Median(copies), bench::Median(renders),
                                *std::min_element(copies.begin(), copies.end()),
                                *std::min_element(renders.begin(), renders.end())};
          st.counters["memcpy_ms"] = p.memcpySeconds * 1e3;
          st.counters["ratio"] = p.ratio();
          g_table.set(way, w, h, level, p);
        })->Unit(benchmark::kMillisecond)->UseManualTime();
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Frame& big = FrameOf(3840, 2160);
  bench::PrintKernelAllocations(big.in(), big.out(), big.width, big.height, "x86_64");
  Register();
  benchmark::RunSpecifiedBenchmarks();
  g_table.printBoth(std::string("Native x86_64 kernel (") + effects::PathName(effects::ChosenPath()) +
                    " chosen here): time per frame / memcpy of the same frame, measured alternately");
  benchmark::Shutdown();
  return 0;
}
