// The pixelation kernel: exact block averages, edge blocks, level 0, every level, and that
// it writes nothing outside the destination and never touches the source. Every vector
// path the processor runs and the plain per-block loop are held to the same pictures and
// to each other.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <tuple>
#include <vector>

#include "effects/pixelate.h"
#include "support/pixelate_cases.h"

using effects::ConstPixels;
using effects::Pixels;

namespace {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> px;
  Picture(int w, int h, uint32_t fill = 0) : width(w), height(h), px(size_t(w) * h, fill) {}
  uint32_t& at(int x, int y) { return px[size_t(y) * width + x]; }
  uint32_t at(int x, int y) const { return px[size_t(y) * width + x]; }
  ConstPixels view() const { return {px.data(), width}; }
  Pixels view() { return {px.data(), width}; }
};

Picture Noise(int w, int h, uint32_t seed) {
  Picture p(w, h);
  std::mt19937 rng(seed);
  for (auto& v : p.px) v = rng();
  return p;
}

using Kernel = std::function<void(ConstPixels, Pixels, int, int, int32_t)>;

struct NamedKernel {
  const char* name;
  Kernel run;
};

// The vector paths this processor runs (each is a way the library may take somewhere).
std::vector<effects::KernelPath> VectorPaths() {
  std::vector<effects::KernelPath> paths;
  for (auto path : {effects::KernelPath::Sse2, effects::KernelPath::Avx2, effects::KernelPath::Avx512}) {
    if (effects::PathRuns(path)) paths.push_back(path);
  }
  return paths;
}

// Every vector path with a fresh scratch per call, and the plain loop.
const std::vector<NamedKernel>& Kernels() {
  static const std::vector<NamedKernel> kernels = [] {
    std::vector<NamedKernel> k;
    for (auto path : VectorPaths()) {
      k.push_back({effects::PathName(path), [path](ConstPixels s, Pixels d, int w, int h, int32_t level) {
                     effects::Scratch scratch;
                     effects::PixelateOn(path, s, d, w, h, level, scratch);
                   }});
    }
    k.push_back({"plain", [](ConstPixels s, Pixels d, int w, int h, int32_t level) {
                   effects::PixelatePortable(s, d, w, h, level);
                 }});
    return k;
  }();
  return kernels;
}

Picture Render(const Kernel& kernel, const Picture& src, int32_t level) {
  Picture out(src.width, src.height, 0xDEADBEEF);
  kernel(src.view(), out.view(), src.width, src.height, level);
  return out;
}

uint32_t Grey(uint32_t v) { return v * 0x01010101u; }

// Room for `rows` rows of `stride` pixels from a 32-byte boundary, and a pixel past it.
struct AlignedCanvas {
  AlignedCanvas(int stride, int rows) : px(size_t(stride) * rows + 8), top(px.data()) {
    while (reinterpret_cast<uintptr_t>(top) % 32 != 0) ++top;
  }
  std::vector<uint32_t> px;
  uint32_t* top;
};

// The first row of `got` (rows `stride` apart) that is not the picture's, or -1.
int FirstDifferentRow(const Picture& want, const uint32_t* got, int stride) {
  for (int y = 0; y < want.height; ++y) {
    const auto row = want.px.begin() + size_t(y) * want.width;
    if (!std::equal(row, row + want.width, got + size_t(y) * stride)) return y;
  }
  return -1;
}

}  // namespace

// ---- exact division

TEST(PixelateDivision, SixteenBitReciprocalsAreExactForEveryBlockSum) {
  for (int side = 2; side <= 16; ++side) {
    const uint32_t n = uint32_t(side * side);
    const auto r = effects::detail::ReciprocalFor16(side);
    EXPECT_LT(r.mul, 65536u);
    for (uint32_t y = 0; y <= 255 * n + n / 2; ++y) {
      ASSERT_EQ(effects::detail::Divide16(y, r), y / n) << "side " << side << " sum " << y;
    }
  }
}

TEST(PixelateDivision, ThirtyTwoBitReciprocalsAreExactAtEveryRemainderEdge) {
  auto check = [](uint32_t n) {
    const auto r = effects::detail::ReciprocalFor32(n);
    for (uint64_t q = 0; q < 256; ++q) {
      for (uint64_t y : {q * n, q * n + n - 1}) {
        if (y >= 256ull * n) continue;
        ASSERT_EQ((y * r.mul) >> r.shift, q) << "n " << n << " y " << y;
      }
    }
  };
  for (uint32_t n = 1; n <= 70000; ++n) check(n);
  for (uint32_t n : {1u << 20, (1u << 20) + 1, 3000017u, (1u << 23) - 1, 1u << 23}) check(n);
}

// ---- hand-made pictures

TEST(Pixelate, AveragesEachChannelRoundingHalvesUp) {
  // One 2 x 2 block per channel case: sums 1 (0.25 -> 0), 3 (0.75 -> 1), 2 (0.5 -> 1),
  // and 255 * 2 + 254 * 2 (254.5 -> 255) in the top byte.
  Picture src(2, 2);
  src.at(0, 0) = 0xFF000000;
  src.at(1, 0) = 0xFF010101;
  src.at(0, 1) = 0xFE010100;
  src.at(1, 1) = 0xFE010000;
  for (const auto& k : Kernels()) {
    const Picture out = Render(k.run, src, 1);
    for (uint32_t v : out.px) EXPECT_EQ(v, 0xFF010100u) << k.name;
  }
}

TEST(Pixelate, CutsTheEdgeBlocksAndAveragesWhatTheyCover) {
  // 5 x 3 at level 1: blocks 2 x 2, a one-pixel-wide column on the right and a one-pixel
  // row at the bottom; the corner block is a single pixel.
  Picture src(5, 3);
  const uint32_t grey[3][5] = {{10, 20, 30, 40, 50}, {30, 40, 50, 60, 70}, {1, 3, 100, 101, 7}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) src.at(x, y) = Grey(grey[y][x]);
  const uint32_t want[3][5] = {{25, 25, 45, 45, 60}, {25, 25, 45, 45, 60}, {2, 2, 101, 101, 7}};
  for (const auto& k : Kernels()) {
    const Picture out = Render(k.run, src, 1);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(out.at(x, y), Grey(want[y][x])) << k.name << " " << x << "," << y;
  }
}

TEST(Pixelate, LevelZeroAndBelowCopyExactly) {
  const Picture src = Noise(37, 11, 1);
  for (const auto& k : Kernels()) {
    for (int32_t level : {0, -1, INT32_MIN}) {
      EXPECT_EQ(Render(k.run, src, level).px, src.px) << k.name << " level " << level;
    }
  }
}

TEST(Pixelate, LevelsBeyondThePictureGiveOneBlockOfTheWholeAverage) {
  Picture src(3, 2);
  const uint32_t grey[6] = {0, 10, 20, 30, 40, 52};  // 152 / 6 = 25.33 -> 25
  for (int i = 0; i < 6; ++i) src.px[i] = Grey(grey[i]);
  for (const auto& k : Kernels()) {
    for (int32_t level : {2, 3, 32767, 32768, INT32_MAX}) {
      const Picture out = Render(k.run, src, level);
      for (uint32_t v : out.px) EXPECT_EQ(v, Grey(25)) << k.name << " level " << level;
    }
  }
  EXPECT_EQ(effects::BlockSide(INT32_MAX, 3, 2), 3);
  EXPECT_EQ(effects::BlockSide(32768, 4000, 3000), 4000);
  EXPECT_EQ(effects::BlockSide(32768, 40000, 30), 32769);
}

TEST(Pixelate, UniformBlocksKeepTheirExactColour) {
  // A picture made of uniform B x B tiles comes back unchanged at level B - 1, whatever
  // the block size and whichever way through the kernel the size takes.
  std::mt19937 rng(7);
  for (int side : {2, 3, 5, 7, 8, 9, 16, 17, 31, 64, 100, 257, 258}) {
    const int w = side * 5 + side / 2, h = side * 2 + 1;
    Picture src(w, h);
    for (int by = 0; by < h; by += side) {
      for (int bx = 0; bx < w; bx += side) {
        const uint32_t c = rng();
        for (int y = by; y < std::min(h, by + side); ++y)
          for (int x = bx; x < std::min(w, bx + side); ++x) src.at(x, y) = c;
      }
    }
    for (const auto& k : Kernels()) EXPECT_EQ(Render(k.run, src, side - 1).px, src.px) << k.name << " side " << side;
  }
}

TEST(Pixelate, WhiteStaysWhiteInTheLargestBlocks) {
  // All channels at 255 give the largest sums: tall blocks over several passes and wide
  // single rows must not overflow.
  for (auto [w, h] : {std::pair{2, 70000}, std::pair{70000, 2}, std::pair{300, 600}}) {
    const Picture src(w, h, 0xFFFFFFFF);
    for (const auto& k : Kernels()) {
      for (int32_t level : {599, INT32_MAX}) {
        const Picture out = Render(k.run, src, level);
        EXPECT_EQ(out.px, src.px) << k.name << " " << w << "x" << h << " level " << level;
      }
    }
  }
}

// ---- the two kernels against each other

TEST(Pixelate, FastKernelMatchesThePlainOneAtEveryLevel) {
  // Odd sizes and rows of whole vector chunks, every level from 1 to beyond the larger side.
  effects::Scratch scratch;  // one scratch across sizes, as the library keeps it
  for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 9}, std::pair{13, 1}, std::pair{37, 23},
                      std::pair{61, 7}, std::pair{64, 64}, std::pair{97, 45}, std::pair{192, 8}}) {
    const Picture src = Noise(w, h, uint32_t(w * 1000 + h));
    for (int32_t level = 1; level <= std::max(w, h) + 2; ++level) {
      Picture fast(w, h), plain(w, h);
      effects::Pixelate(src.view(), fast.view(), w, h, level, scratch);
      effects::PixelatePortable(src.view(), plain.view(), w, h, level);
      ASSERT_EQ(fast.px, plain.px) << w << "x" << h << " level " << level;
    }
  }
}

TEST(Pixelate, TallAndWideBlocksMatchThePlainKernel) {
  // Blocks taller than one pass of column sums, and one block wider than 65536 pixels; a
  // column of one pixel, where the scratch is at its smallest.
  for (auto [w, h, level] : {std::tuple{5, 700, 299}, std::tuple{3, 900, 899}, std::tuple{40, 520, 259},
                             std::tuple{70001, 3, 70000}, std::tuple{1, 300, 200}}) {
    const Picture src = Noise(w, h, 99);
    Picture fast(w, h), plain(w, h);
    effects::Scratch scratch;
    effects::Pixelate(src.view(), fast.view(), w, h, level, scratch);
    effects::PixelatePortable(src.view(), plain.view(), w, h, level);
    EXPECT_EQ(fast.px, plain.px) << w << "x" << h << " level " << level;
  }
}

TEST(Pixelate, LargeFramesTakeTheStreamingPathsToTheSameResult) {
  // Frames of 6 MiB and more are written around the cache, from their first 32-byte
  // boundary on (off it, in whole 64-byte lines); on a boundary the rows over 2048 of
  // blocks 5 to 15 columns wide are written from eight blocks' colours at a time, and the
  // other rows over 2730 pixels keep to 256-bit column sums.
  // The same frames one pixel off the boundary, and widths that leave a few pixels after
  // the last whole vector (or eight blocks) of every row.
  for (auto [w, h, stride] :
       {std::tuple{1501, 1100, 1504}, std::tuple{2045, 2060, 2048}, std::tuple{2301, 700, 2304},
        std::tuple{2741, 600, 2752}}) {
    const Picture src = Noise(w, h, 5);
    AlignedCanvas canvas(stride, h);
    for (auto path : VectorPaths()) {
      effects::Scratch scratch;
      for (int32_t level : {1, 2, 4, 6, 14, 40, 140}) {
        Picture plain(w, h);
        effects::PixelatePortable(src.view(), plain.view(), w, h, level);
        for (uint32_t* top : {canvas.top, canvas.top + 1}) {
          effects::PixelateOn(path, src.view(), {top, stride}, w, h, level, scratch);
          ASSERT_EQ(FirstDifferentRow(plain, top, stride), -1)
              << effects::PathName(path) << " " << w << "x" << h << " level " << level;
        }
      }
    }
  }
}

TEST(Pixelate, FramesPastTheLastLevelCacheMatchThePlainLoopInPlaceToo) {
  // Past 16 MiB the SSE2 way reads two rows at a time and writes the block row before in
  // step (the frames above take its single columns): here pairs of columns, a last block
  // row of one row, a destination off the boundary, and the picture rendered in place.
  constexpr int w = 2311, h = 1821, stride = 2312, level = 9;
  const Picture src = Noise(w, h, 17);
  Picture plain(w, h);
  effects::PixelatePortable(src.view(), plain.view(), w, h, level);
  AlignedCanvas canvas(stride, h);
  for (auto path : VectorPaths()) {
    effects::Scratch scratch;
    effects::PixelateOn(path, src.view(), {canvas.top + 1, stride}, w, h, level, scratch);
    EXPECT_EQ(FirstDifferentRow(plain, canvas.top + 1, stride), -1) << effects::PathName(path) << " off the boundary";
    for (int y = 0; y < h; ++y) std::copy_n(src.px.begin() + size_t(y) * w, w, canvas.top + size_t(y) * stride);
    effects::PixelateOn(path, {canvas.top, stride}, {canvas.top, stride}, w, h, level, scratch);
    EXPECT_EQ(FirstDifferentRow(plain, canvas.top, stride), -1) << effects::PathName(path) << " in place";
  }
}

TEST(PixelatePaths, EveryPathMatchesThePlainLoopOnRandomPictures) {
  // Every level from 0 to 256 and some beyond, odd and even sizes, both row orders, and
  // every fourth picture rendered in place; one scratch per path across all the sizes, as
  // the library keeps it.
  for (auto path : VectorPaths()) {
    effects::Scratch scratch;
    for (const auto& c : testing_support::RandomPixelateCases(26, 2 * 257, 300, 280)) {
      const std::vector<uint32_t> src = testing_support::RandomPixels(c.width, c.height, c.seed);
      const std::vector<uint32_t> want = testing_support::PlainPixelated(src, c.width, c.height, c.level);
      const bool inPlace = c.seed % 4 == 0;
      std::vector<uint32_t> out = inPlace ? src : std::vector<uint32_t>(src.size(), 0x5A5A5A5A);
      // A bottom-up picture: the same rows in memory from the last one up.
      auto view = [&](std::vector<uint32_t>& px) -> Pixels {
        return c.bottomUp ? Pixels{px.data() + size_t(c.height - 1) * c.width, -c.width} : Pixels{px.data(), c.width};
      };
      std::vector<uint32_t> flipped = src;
      if (c.bottomUp) {
        for (int y = 0; y < c.height; ++y) {
          std::copy_n(src.begin() + size_t(y) * c.width, c.width, flipped.begin() + size_t(c.height - 1 - y) * c.width);
        }
        if (inPlace) out = flipped;
      }
      const ConstPixels in = inPlace ? ConstPixels(view(out)) : ConstPixels(view(flipped));
      effects::PixelateOn(path, in, view(out), c.width, c.height, c.level, scratch);
      const Pixels got = view(out);
      for (int y = 0; y < c.height; ++y) {
        ASSERT_TRUE(std::equal(want.begin() + size_t(y) * c.width, want.begin() + size_t(y + 1) * c.width,
                               got.top + y * got.stride))
            << effects::PathName(path) << " " << c.Describe() << (inPlace ? " in place" : "") << " row " << y;
      }
    }
  }
}

// ---- memory safety and the source

TEST(Pixelate, WritesNothingOutsideTheDestinationAndNeverTheSource) {
  // The destination sits in a larger canvas (stride wider than the picture, rows above and
  // below); bottom-up pictures go through with negative strides. The source is exactly its
  // pixels, so a read past its last row is caught too (rows of whole segments of 96).
  constexpr uint32_t kGuard = 0xA5A5A5A5;
  for (const auto& k : Kernels()) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{7, 5}, std::pair{33, 19}, std::pair{192, 6}}) {
      for (bool bottomUp : {false, true}) {
        const Picture src = Noise(w, h, 3);
        const Picture before = src;
        const int margin = 3, stride = w + 2 * margin;
        for (int32_t level : {0, 1, 2, 5, 16, 40}) {
          std::vector<uint32_t> canvas(size_t(stride) * (h + 2 * margin), kGuard);
          uint32_t* first = canvas.data() + margin * stride + margin;
          const Pixels dst = bottomUp ? Pixels{first + (h - 1) * stride, -stride} : Pixels{first, stride};
          k.run(src.view(), dst, w, h, level);
          for (int y = 0; y < h + 2 * margin; ++y) {
            for (int x = 0; x < stride; ++x) {
              const bool inside = y >= margin && y < margin + h && x >= margin && x < margin + w;
              if (!inside) {
                ASSERT_EQ(canvas[size_t(y) * stride + x], kGuard) << k.name << " " << x << "," << y;
              }
            }
          }
          // Upside down in memory, the picture itself reads the same from its top row.
          Picture plain(w, h);
          effects::PixelatePortable(src.view(), plain.view(), w, h, level);
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(dst.top[y * dst.stride + x], plain.at(x, y)) << k.name;
          ASSERT_EQ(src.px, before.px) << k.name << ": the source changed";
        }
      }
    }
  }
}

TEST(Pixelate, RendersInPlaceWhenSourceAndDestinationAreOne) {
  const Picture src = Noise(29, 31, 11);
  for (const auto& k : Kernels()) {
    for (int32_t level : {0, 1, 3, 7, 12, 30}) {
      Picture in = src;
      k.run(in.view(), in.view(), in.width, in.height, level);
      Picture plain(29, 31);
      effects::PixelatePortable(src.view(), plain.view(), 29, 31, level);
      EXPECT_EQ(in.px, plain.px) << k.name << " level " << level;
    }
  }
}

TEST(Pixelate, EmptyPicturesAreLeftAlone) {
  uint32_t px = 42;
  effects::Scratch scratch;
  effects::Pixelate({&px, 1}, {&px, 1}, 0, 5, 3, scratch);
  effects::Pixelate({&px, 1}, {&px, 1}, 5, -1, 3, scratch);
  effects::PixelatePortable({&px, 1}, {&px, 1}, 0, 0, 3);
  EXPECT_EQ(px, 42u);
  EXPECT_EQ(scratch.Bytes(), 0u);
}

TEST(Pixelate, ScratchGrowsOnlyWithTheWidth) {
  effects::Scratch scratch;
  const Picture src = Noise(300, 40, 2);
  Picture out(300, 40);
  effects::Pixelate(src.view(), out.view(), 300, 40, 20, scratch);
  const size_t bytes = scratch.Bytes();
  EXPECT_GT(bytes, 0u);
  EXPECT_LE(bytes, 300u * 40);  // O(width), not O(picture)
  for (int32_t level = 1; level < 64; ++level) effects::Pixelate(src.view(), out.view(), 300, 40, level, scratch);
  EXPECT_EQ(scratch.Bytes(), bytes);
}
