// How many allocations the kernel makes per frame once running: every operator new of the
// benchmark program is counted here. This header replaces the global allocation functions,
// so each benchmark program includes it from its one source file.
#pragma once
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "effects/pixelate.h"

namespace bench {
inline std::atomic<long> g_allocations{0};
}  // namespace bench

// Kept out of line: GCC would otherwise inline free() into code whose pointer came from
// operator new and call the pair mismatched.
[[gnu::noinline]] void* operator new(std::size_t n) {
  ++bench::g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t n) { return operator new(n); }
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace bench {

// Renders one frame to size the scratch, then frames at levels 0 to 300, and prints how
// many allocations those made (the show's loop must make none).
inline void PrintKernelAllocations(effects::ConstPixels src, effects::Pixels dst, int width, int height,
                                   const char* kernel) {
  effects::Scratch scratch;
  effects::Pixelate(src, dst, width, height, 1, scratch);
  const long before = g_allocations.load();
  int frames = 0;
  for (int level = 0; level <= 300; level += 7, ++frames) effects::Pixelate(src, dst, width, height, level, scratch);
  std::printf("allocations while rendering %d frames at %dx%d (%s kernel): %ld, scratch %lu bytes\n", frames, width,
              height, kernel, g_allocations.load() - before, static_cast<unsigned long>(scratch.Bytes()));
}

}  // namespace bench
