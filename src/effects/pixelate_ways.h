// Inside the pixelation kernel: the vector back ends and the per-block pieces they share.
// Not for use outside src/effects.
//
// Every back end works one block row at a time (the `side` source rows that make one row
// of blocks): the rows are summed into 16-bit channel sums per unit, a unit being a pixel
// column or, for blocks of even side, a pair of columns; the units of each block are added
// and divided into one row of block colours; and that row is written to each destination
// row of the block row. The source is read once and the destination written once.
#pragma once
#include <cstddef>
#include <cstdint>

#include "effects/pixelate.h"

namespace effects::ways {

// The scratch memory as the back ends use it.
struct Work {
  uint16_t* units;   // 4 x 16-bit channel sums per unit (pixel column or pair of columns)
  uint32_t* row;     // one row of block colours
  uint32_t* spare;   // another (the AVX2 back end writes one while it fills the other)
  uint32_t* halves;  // two rows of one colour per two pixels, or one per block (AVX2 back end)
  uint64_t* blocks;  // 4 x 64-bit channel sums per block, for blocks taller than one pass
};

// Column sums stay within 16 bits over this many rows (255 x 257 == 65535); pair sums over
// half as many.
constexpr int kMaxRowsPerPass = 257;
constexpr int kMaxPairRowsPerPass = 128;
// Blocks of more pixels than this are summed and divided in 64 bits.
constexpr int64_t kMax32Block = int64_t{1} << 23;

// The back ends: each returns false when this build or processor cannot run it. `side`
// is 2 or more. The AVX2 one takes 512-bit registers where they pay when `wide`
// (AVX-512BW).
bool RenderSse2(ConstPixels src, Pixels dst, int width, int height, int side, Work work);
bool RenderAvx2(ConstPixels src, Pixels dst, int width, int height, int side, Work work, bool wide);
bool Sse2Runs();
bool Avx2Runs();
bool Avx512Runs();

// Shared per-block pieces (SSE2), for what the fast loops leave: the colours of the blocks
// of one block row from column x0 (a multiple of side) to the right edge, out of the unit
// sums of `rows` rows; the unit sums of each block added to 64-bit sums; and the colours
// from those.
void UnitColours(const uint16_t* units, bool pairs, uint32_t* row, int x0, int width, int side, int rows);
void AddUnitSums(const uint16_t* units, bool pairs, int width, int side, uint64_t* blocks);
void BlockSumColours(const uint64_t* blocks, uint32_t* row, int width, int side, int rows);

}  // namespace effects::ways
