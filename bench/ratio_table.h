// The benchmark report shared by the native and the Windows benchmark programs: time per
// frame for each way of rendering, frame size and level, as a ratio to memcpy of the same
// frame. The machine is shared and noisy, so every measurement alternates the two (memcpy,
// then the effect, again and again) and each ratio is of the two medians.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace bench {

inline const std::vector<std::pair<int, int>>& FrameSizes() {
  static const std::vector<std::pair<int, int>> sizes = {{1920, 1080}, {2560, 1440}, {3840, 2160}};
  return sizes;
}

inline const std::vector<int>& Levels() {
  static const std::vector<int> levels = {0, 1, 2, 3, 7, 15, 63, 255, 256};
  return levels;
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Paired {
  double memcpySeconds;  // medians
  double effectSeconds;
  double memcpyBest = 0;  // fastest of each
  double effectBest = 0;
  double ratio() const { return effectSeconds / memcpySeconds; }
};

// Which runs a table shows: the medians, or the fastest of each (steadier when other
// work shares the machine).
inline bool g_showBest = false;

// Runs `copy` and `effect` alternately until `budget` seconds have passed (at least
// `minRounds` rounds) and returns the median of each.
template <typename Copy, typename Effect>
Paired MeasurePaired(Copy&& copy, Effect&& effect, double budget, int minRounds = 5) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> c, e;
  copy();
  effect();  // warm: first touches, scratch
  const auto start = Clock::now();
  while (static_cast<int>(e.size()) < minRounds ||
         std::chrono::duration<double>(Clock::now() - start).count() < budget) {
    auto t0 = Clock::now();
    copy();
    auto t1 = Clock::now();
    effect();
    auto t2 = Clock::now();
    c.push_back(std::chrono::duration<double>(t1 - t0).count());
    e.push_back(std::chrono::duration<double>(t2 - t1).count());
    if (e.size() >= 2000) break;
  }
  return {Median(c), Median(e), *std::min_element(c.begin(), c.end()), *std::min_element(e.begin(), e.end())};
}

class RatioTable {
 public:
  void set(const std::string& way, int width, int height, int level, Paired p) {
    if (std::find(ways_.begin(), ways_.end(), way) == ways_.end()) ways_.push_back(way);
    cells_[{way, width, height, level}] = p;
  }

  // Prints the table of medians, then the table of the fastest runs.
  void printBoth(const std::string& title) {
    g_showBest = false;
    print((title + " - medians").c_str());
    g_showBest = true;
    print((title + " - fastest runs").c_str());
  }

  void print(const char* title) const {
    std::printf("\n%s\n", title);
    std::printf("%-10s %-7s %9s |", "frame", "way", "memcpy ms");
    for (int level : Levels()) std::printf(" %6s", ("L" + std::to_string(level)).c_str());
    std::printf("\n");
    for (const auto& [w, h] : FrameSizes()) {
      bool first = true;
      for (const std::string& way : ways_) {
        std::vector<double> copies;
        for (int level : Levels()) {
          const auto c = cells_.find({way, w, h, level});
          if (c != cells_.end()) copies.push_back(g_showBest ? c->second.memcpyBest : c->second.memcpySeconds);
        }
        if (copies.empty()) continue;
        const std::string frame = first ? std::to_string(w) + "x" + std::to_string(h) : "";
        first = false;
        std::printf("%-10s %-7s %9.2f |", frame.c_str(), way.c_str(), Median(copies) * 1e3);
        for (int level : Levels()) {
          const auto c = cells_.find({way, w, h, level});
          if (c == cells_.end()) std::printf(" %6s", "-");
          else std::printf(" %6.2f", g_showBest ? c->second.effectBest / c->second.memcpyBest : c->second.ratio());
        }
        std::printf("\n");
      }
    }
  }

 private:
  struct Key {
    std::string way;
    int w, h, level;
    bool operator<(const Key& o) const {
      return std::tie(way, w, h, level) < std::tie(o.way, o.w, o.h, o.level);
    }
  };
  std::map<Key, Paired> cells_;
  std::vector<std::string> ways_;
};

// Every level from 1 to `top` (the table samples a few), each way against the copy, the
// ways taken in turn at each level, a few alternating rounds each. Prints per way the worst
// median ratio and its level, the mean over the levels, and every level over `limit`.
struct SweptWay {
  std::string label;
  std::function<void(int level)> render;
};

template <typename Copy>
void PrintLevelSweep(const std::vector<SweptWay>& ways, int width, int height, Copy&& copy, int top, double limit,
                     int rounds) {
  std::vector<std::vector<double>> ratios(ways.size());
  for (int level = 1; level <= top; ++level) {
    for (size_t i = 0; i < ways.size(); ++i) {
      ratios[i].push_back(MeasurePaired(copy, [&] { ways[i].render(level); }, 0, rounds).ratio());
    }
  }
  for (size_t i = 0; i < ways.size(); ++i) {
    const std::vector<double>& r = ratios[i];
    const auto worst = std::max_element(r.begin(), r.end());
    double sum = 0;
    std::string over;
    for (int level = 1; level <= top; ++level) {
      sum += r[level - 1];
      if (r[level - 1] > limit) over += " L" + std::to_string(level) + "=" + std::to_string(r[level - 1]).substr(0, 4);
    }
    std::printf("%-10s %4dx%-4d  worst L%-3d %.2f  mean %.2f  over %.2f:%s\n", ways[i].label.c_str(), width, height,
                int(worst - r.begin()) + 1, *worst, sum / top, limit, over.empty() ? " none" : over.c_str());
  }
  std::fflush(stdout);
}

}  // namespace bench
