// The pixelation kernel behind GPX_Veskar: level L renders the picture in square blocks
// of L + 1 pixels, each filled with the average colour of the source pixels it covers.
// Blocks are laid from the picture's top-left corner; the blocks on the right and bottom
// edges are cut to the picture and averaged over what they cover. Level 0 (and anything
// below) is an exact copy.
//
// Pictures are 32-bit pixels reached through a pointer to the top row and a stride in
// pixels (negative for a bottom-up bitmap). All four bytes of a pixel are averaged alike,
// each rounded to the nearest value, halves up: (sum + n / 2) / n for a block of n pixels.
// A uniform block therefore keeps its exact colour.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace effects {

struct ConstPixels {
  const uint32_t* top = nullptr;  // first pixel of the top row
  ptrdiff_t stride = 0;           // pixels from one row to the next (negative: bottom-up)
};

struct Pixels {
  uint32_t* top = nullptr;
  ptrdiff_t stride = 0;
  operator ConstPixels() const { return {top, stride}; }
};

// Working memory of the kernel, O(width). It grows to the widest picture seen and is then
// reused, so rendering frames of one size allocates nothing after the first.
class Scratch {
 public:
  // Makes room for pictures up to `width` pixels wide. May throw std::bad_alloc.
  void Reserve(int width);
  size_t Bytes() const;

 private:
  friend struct ScratchAccess;
  std::vector<uint16_t> columns_;  // per pixel column: four 16-bit channel sums
  std::vector<uint32_t> row_;      // two rows of block colours, and two of one per two pixels
  std::vector<uint64_t> blocks_;   // per block: four 64-bit channel sums (very tall blocks)
  int width_ = 0;
};

// The ways through the kernel, all giving the same bytes: plain C++, SSE2, AVX2 and
// AVX-512BW (the last two on 64-bit builds, where the processor and the system have
// them). Pixelate takes the fastest this process can run, chosen once from cpuid.
enum class KernelPath { Portable, Sse2, Avx2, Avx512 };
bool PathRuns(KernelPath path);
KernelPath ChosenPath();
const char* PathName(KernelPath path);

// Side of the blocks for a level on a picture of this size: level + 1, but never more
// than the picture's larger side (one block then covers it all); 1 for level 0 or less.
int BlockSide(int32_t level, int width, int height);

// Renders `src` (width x height) into `dst` at `level`. The source is only read; `dst`
// may be the same picture as `src` (the blocks are then rendered in place). Nothing
// outside width x height of `dst` is written. May throw std::bad_alloc when the scratch
// has to grow.
void Pixelate(ConstPixels src, Pixels dst, int width, int height, int32_t level, Scratch& scratch);

// The same with plain C++ per block, no vector instructions: used where SSE2 is missing,
// and the measure the fast kernel is checked and timed against.
void PixelatePortable(ConstPixels src, Pixels dst, int width, int height, int32_t level);

// The same through one given path (tests and benchmarks hold every path to the plain
// loop); a path that does not run here falls back to the plain loop.
void PixelateOn(KernelPath path, ConstPixels src, Pixels dst, int width, int height, int32_t level,
                Scratch& scratch);

// Exact division by multiplication, for the kernel's block averages.
namespace detail {

// For a 32-bit lane: q = (y * mul) >> shift equals y / n for every y < 256 * n, where
// n <= 2^23. (Block sums plus half a block never reach 256 * n.)
struct Reciprocal32 {
  uint32_t mul;
  int shift;
};
Reciprocal32 ReciprocalFor32(uint32_t n);

// For a 16-bit lane, blocks of B x B pixels with B <= 16: y / (B * B) equals
// mulhi((y >> pre), mul) >> post for every y <= 255 * B * B + B * B / 2 (mul 0: no
// multiply, just y >> pre).
struct Reciprocal16 {
  int pre;
  uint32_t mul;
  int post;
};
constexpr Reciprocal16 ReciprocalFor16(int blockSide) {
  uint32_t n = static_cast<uint32_t>(blockSide * blockSide);
  int pre = 0;
  while (n % 2 == 0) {
    n /= 2;
    ++pre;
  }
  if (n == 1) return {pre, 0, 0};
  int post = 0;
  while ((((1u << (17 + post)) + n - 1) / n) < 65536u) ++post;
  return {pre, ((1u << (16 + post)) + n - 1) / n, post};
}
inline constexpr uint32_t Divide16(uint32_t y, Reciprocal16 r) {
  const uint32_t shifted = y >> r.pre;
  return r.mul == 0 ? shifted : ((shifted * r.mul) >> 16) >> r.post;
}

}  // namespace detail
}  // namespace effects
