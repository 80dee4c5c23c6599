// The pixelation kernel's entry points: the plain per-block loop (the reference every
// other way is held to), level 0's copy, and the choice of the vector back end
// (pixelate_sse2.cpp, pixelate_avx2.cpp; see pixelate_ways.h for how they work).
#include "effects/pixelate.h"

#include <algorithm>
#include <cstring>

#include "effects/pixelate_ways.h"

namespace effects {

struct ScratchAccess {
  static uint16_t* columns(Scratch& s) { return Lined(s.columns_.data()); }
  static uint32_t* row(Scratch& s) { return Lined(s.row_.data()); }
  // The first cache-line boundary: whole-register loads and stores of the sums and of the
  // rows of colours then never straddle two lines.
  template <typename T>
  static T* Lined(T* p) {
    const uintptr_t a = reinterpret_cast<uintptr_t>(p);
    return reinterpret_cast<T*>((a + 63) & ~uintptr_t{63});
  }
  static uint64_t* blocks(Scratch& s) { return s.blocks_.data(); }
};

void Scratch::Reserve(int width) {
  if (width <= width_) return;
  const size_t w = static_cast<size_t>(width);
  // Room for the alignment and a 512-bit register past the end of each: the vector back
  // ends read and write whole registers at the last units and the last block.
  columns_.resize(w * 4 + 96);
  row_.resize(w * 3 + 160);
  // Blocks are at least 2 pixels wide here: 4 sums each; 8 each for those over 16 pixels
  // wide (the room for at least one of them).
  blocks_.resize((w / 2 + 2) * 4);
  width_ = width;
}

size_t Scratch::Bytes() const {
  return columns_.size() * sizeof(uint16_t) + row_.size() * sizeof(uint32_t) +
         blocks_.size() * sizeof(uint64_t);
}

int BlockSide(int32_t level, int width, int height) {
  if (level <= 0) return 1;
  const int64_t largest = std::max({width, height, 1});
  return static_cast<int>(std::min<int64_t>(int64_t{level} + 1, largest));
}

namespace detail {

Reciprocal32 ReciprocalFor32(uint32_t n) {
  // With e = mul * n - 2^shift (0 <= e < n), y * mul >> shift is exact while y * e < 2^shift;
  // y < 256 n and e < n make 2^shift >= 256 n^2 enough.
  int bits = 0;
  while ((uint64_t{1} << bits) < n) ++bits;
  const int shift = 8 + 2 * bits;
  const uint64_t mul = ((uint64_t{1} << shift) + n - 1) / n;
  return {static_cast<uint32_t>(mul), shift};
}

}  // namespace detail

namespace {

// Level 0: a straight copy (nothing to do when the source is the destination).
void CopyPicture(ConstPixels src, Pixels dst, int width, int height) {
  if (src.top == dst.top && src.stride == dst.stride) return;
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  const bool contiguous = src.stride == dst.stride &&
                          (src.stride == width || src.stride == -static_cast<ptrdiff_t>(width));
  if (contiguous) {
    // One block of memory for the whole picture; a bottom-up picture starts at its last row.
    const ptrdiff_t first = src.stride < 0 ? (height - 1) * src.stride : 0;
    std::memmove(dst.top + first, src.top + first, rowBytes * static_cast<size_t>(height));
    return;
  }
  for (int y = 0; y < height; ++y) {
    std::memmove(dst.top + y * dst.stride, src.top + y * src.stride, rowBytes);
  }
}

uint32_t AverageOf(const uint64_t sum[4], uint64_t n) {
  uint32_t out = 0;
  for (int c = 0; c < 4; ++c) out |= static_cast<uint32_t>((sum[c] + n / 2) / n) << (8 * c);
  return out;
}

}  // namespace

void PixelatePortable(ConstPixels src, Pixels dst, int width, int height, int32_t level) {
  if (width <= 0 || height <= 0) return;
  const int side = BlockSide(level, width, height);
  if (side == 1) {
    CopyPicture(src, dst, width, height);
    return;
  }
  for (int by = 0; by < height; by += side) {
    const int bh = std::min(side, height - by);
    for (int bx = 0; bx < width; bx += side) {
      const int bw = std::min(side, width - bx);
      uint64_t sum[4] = {0, 0, 0, 0};
      for (int y = by; y < by + bh; ++y) {
        const uint32_t* s = src.top + y * src.stride;
        for (int x = bx; x < bx + bw; ++x) {
          const uint32_t p = s[x];
          sum[0] += p & 0xFF;
          sum[1] += (p >> 8) & 0xFF;
          sum[2] += (p >> 16) & 0xFF;
          sum[3] += p >> 24;
        }
      }
      const uint32_t colour = AverageOf(sum, uint64_t(bw) * uint64_t(bh));
      for (int y = by; y < by + bh; ++y) {
        uint32_t* d = dst.top + y * dst.stride;
        std::fill(d + bx, d + bx + bw, colour);
      }
    }
  }
}

bool PathRuns(KernelPath path) {
  switch (path) {
    case KernelPath::Sse2: return ways::Sse2Runs();
    case KernelPath::Avx2: return ways::Avx2Runs();
    case KernelPath::Avx512: return ways::Avx512Runs();
    case KernelPath::Portable: break;
  }
  return true;
}

namespace {

KernelPath Fastest() {
  for (KernelPath path : {KernelPath::Avx512, KernelPath::Avx2, KernelPath::Sse2}) {
    if (PathRuns(path)) return path;
  }
  return KernelPath::Portable;
}

void Render(KernelPath path, ConstPixels src, Pixels dst, int width, int height, int32_t level, Scratch& scratch) {
  // Empty pictures and level 0's copy are the plain loop's; the back ends take blocks.
  const int side = BlockSide(level, width, height);
  if (path != KernelPath::Portable && width > 0 && height > 0 && side > 1) {
    scratch.Reserve(width);
    uint32_t* rows = ScratchAccess::row(scratch);
    uint32_t* spare = rows + ((width + 31) & ~15);  // on a line boundary too
    uint32_t* halves = spare + ((width + 31) & ~15);
    const ways::Work work{ScratchAccess::columns(scratch), rows, spare, halves, ScratchAccess::blocks(scratch)};
    const bool done = path == KernelPath::Sse2
                          ? ways::RenderSse2(src, dst, width, height, side, work)
                          : ways::RenderAvx2(src, dst, width, height, side, work, path == KernelPath::Avx512);
    if (done) return;
  }
  PixelatePortable(src, dst, width, height, level);
}

}  // namespace

KernelPath ChosenPath() {
  static const KernelPath chosen = Fastest();  // once per process
  return chosen;
}

const char* PathName(KernelPath path) {
  switch (path) {
    case KernelPath::Sse2: return "SSE2";
    case KernelPath::Avx2: return "AVX2";
    case KernelPath::Avx512: return "AVX-512";
    case KernelPath::Portable: break;
  }
  return "plain";
}

void Pixelate(ConstPixels src, Pixels dst, int width, int height, int32_t level, Scratch& scratch) {
  Render(ChosenPath(), src, dst, width, height, level, scratch);
}

void PixelateOn(KernelPath path, ConstPixels src, Pixels dst, int width, int height, int32_t level,
                Scratch& scratch) {
  Render(PathRuns(path) ? path : KernelPath::Portable, src, dst, width, height, level, scratch);
}

}  // namespace effects
