// The pixelation kernel. The picture is worked one block row at a time (the B source rows
// that make one row of blocks): the source is read once, row by row, and every destination
// row is written once.
//
// Two ways through a block row, both with SSE2:
// - Blocks of side 2 to 16 are compute-bound. Four blocks side by side span B vectors of
//   four pixels; their B rows are summed in registers, the four block colours come out of
//   one multiply-and-shift and are spread back over the vectors by shuffles, then written
//   straight to the B rows (small blocks) or to one row of colours (larger ones).
// - Larger blocks (and the cut blocks at the right and bottom edges) first add the rows
//   into 16-bit column sums (255 x 257 still fits 16 bits, so up to 257 rows per pass),
//   then add the columns of each block in 32-bit lanes and divide by multiply-and-shift
//   into the row of colours.
// A row of colours is copied to each row of its block row. Frames larger than the
// last-level cache are written with streaming stores so that the destination does not
// push the source out of the cache.
#include "effects/pixelate.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#define VESKAR_HAVE_SSE2 1
#else
#define VESKAR_HAVE_SSE2 0
#endif

namespace effects {

struct ScratchAccess {
  static uint16_t* columns(Scratch& s) { return s.columns_.data(); }
  static uint32_t* row(Scratch& s) { return s.row_.data(); }
  static uint64_t* blocks(Scratch& s) { return s.blocks_.data(); }
};

void Scratch::Reserve(int width) {
  if (width <= width_) return;
  const size_t w = static_cast<size_t>(width);
  columns_.resize(w * 4);
  row_.resize(w);
  blocks_.resize((w / 2 + 1) * 4);  // blocks are at least 2 pixels wide here
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

using detail::Reciprocal32;
using detail::ReciprocalFor32;

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

#if VESKAR_HAVE_SSE2

// Small blocks written straight to their rows: up to 8 rows at a time from the cache, but
// only up to 4 when streaming past it (more streams than that overrun the write-combining
// buffers). Larger ones, up to 16, go through one row of colours.
constexpr int kFusedMax = 8;
constexpr int kFusedStreamingMax = 4;
constexpr int kFusedRowMax = 16;
constexpr size_t kStreamBytes = size_t{16} << 20;  // frames above this skip the cache
constexpr int kMaxRowsPerPass = 257;  // 255 * 257 == 65535: column sums stay in 16 bits
constexpr int64_t kMax32Block = int64_t{1} << 23;  // larger blocks are summed in 64 bits

inline __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
inline bool Aligned16(const void* p) { return (reinterpret_cast<uintptr_t>(p) & 15) == 0; }

// Keeps a running sum a running sum. Left alone, GCC reassociates a row of additions into
// a tree and loads every row first; on i686, with eight vector registers, that spills to
// the stack on every pixel.
inline void Chain(__m128i& lo, __m128i& hi) { __asm__("" : "+x"(lo), "+x"(hi)); }

// Adds the four pixels at p, widened to 16 bits per channel, to two running sums.
inline void AddPixels(__m128i& lo, __m128i& hi, const uint32_t* p) {
  const __m128i zero = _mm_setzero_si128();
  __m128i v = Load(p);
  __asm__("" : "+x"(v));  // loaded once, unpacked twice from the register
  lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
  hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
  Chain(lo, hi);
}

// Four 32-bit channel sums (plus half a block already added) divided into one pixel.
inline uint32_t Divide32(__m128i y, Reciprocal32 r) {
  const __m128i mul = _mm_set1_epi32(static_cast<int>(r.mul));
  const __m128i shift = _mm_cvtsi32_si128(r.shift);
  const __m128i even = _mm_srl_epi64(_mm_mul_epu32(y, mul), shift);
  const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(y, 32), mul), shift);
  const __m128i q = _mm_or_si128(even, _mm_slli_epi64(odd, 32));  // each lane < 256
  const __m128i q16 = _mm_packs_epi32(q, q);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(q16, q16)));
}

// ---- small blocks, fused

// Which block (0-3) each pixel of output vector j belongs to, as a shuffle immediate.
constexpr int SpreadImmediate(int side, int j) {
  int imm = 0;
  for (int i = 0; i < 4; ++i) imm |= ((4 * j + i) / side) << (2 * i);
  return imm;
}
// The same as a constant the compiler must fold: without optimisation GCC's
// _mm_shuffle_epi32 is a macro over a builtin that rejects anything but a literal-like
// immediate, and a constexpr call in an ordinary argument is not evaluated in time.
template <int B, int J>
inline constexpr int kSpreadImmediate = SpreadImmediate(B, J);

template <int B>
inline __m128i DivideBlocks16(__m128i y) {
  constexpr detail::Reciprocal16 r = detail::ReciprocalFor16(B);
  if constexpr (r.pre > 0) y = _mm_srli_epi16(y, r.pre);
  if constexpr (r.mul != 0) {
    y = _mm_mulhi_epu16(y, _mm_set1_epi16(static_cast<short>(r.mul)));
    if constexpr (r.post > 0) y = _mm_srli_epi16(y, r.post);
  }
  return y;
}

// Adds the column sums of pixels 2P and 2P + 1 (one register) to their blocks. Only the sum
// of a block accumulator's two halves counts, so a pixel may land in either half.
template <int B, int P>
inline void AddPair(__m128i (&block)[4], __m128i pair) {
  constexpr int a = (2 * P) / B, b = (2 * P + 1) / B;
  if constexpr (a == b) {
    block[a] = _mm_add_epi16(block[a], pair);
  } else {
    block[a] = _mm_add_epi16(block[a], _mm_move_epi64(pair));
    block[b] = _mm_add_epi16(block[b], _mm_srli_si128(pair, 8));
  }
}

// Column sums over the B rows of the four pixels of vector J, added to their blocks.
template <int B, int J, int... R>
inline void SumVector(const uint32_t* src, ptrdiff_t stride, __m128i (&block)[4],
                      std::integer_sequence<int, R...>) {
  __m128i lo = _mm_setzero_si128(), hi = _mm_setzero_si128();
  (AddPixels(lo, hi, src + R * stride + 4 * J), ...);
  AddPair<B, 2 * J>(block, lo);
  AddPair<B, 2 * J + 1>(block, hi);
}

template <int B, int... J>
inline void SumVectors(const uint32_t* src, ptrdiff_t stride, __m128i (&block)[4],
                       std::integer_sequence<int, J...>) {
  (SumVector<B, J>(src, stride, block, std::make_integer_sequence<int, B>{}), ...);
}

template <bool kStream>
inline void StoreVector(uint32_t* p, __m128i v) {
  if constexpr (kStream) _mm_stream_si128(reinterpret_cast<__m128i*>(p), v);
  else _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// The four block colours spread over vector J and written to the B rows. Writing the rows
// straight away beats building one row and copying it: with at most eight rows the write
// streams stay few enough for the write-combining buffers.
template <bool kStream, int B, int J, int... R>
inline void SpreadVector(__m128i colours, uint32_t* dst, ptrdiff_t stride, std::integer_sequence<int, R...>) {
  const __m128i out = _mm_shuffle_epi32(colours, (kSpreadImmediate<B, J>));
  (StoreVector<kStream>(dst + R * stride + 4 * J, out), ...);
}

template <bool kStream, int B, int... J>
inline void SpreadVectors(__m128i colours, uint32_t* dst, ptrdiff_t stride, std::integer_sequence<int, J...>) {
  (SpreadVector<kStream, B, J>(colours, dst, stride, std::make_integer_sequence<int, B>{}), ...);
}

// The colours of four B x B blocks side by side, whose B rows start at src: their sums in
// registers, divided by one multiply-and-shift, packed as four pixels.
template <int B>
inline __m128i FourBlockColours(const uint32_t* src, ptrdiff_t stride) {
  // Block sums stay below 255 * 16 * 16 + 128: 16 bits are enough.
  __m128i block[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(),
                      _mm_setzero_si128()};
  SumVectors<B>(src, stride, block, std::make_integer_sequence<int, B>{});
  const __m128i half = _mm_set1_epi16(static_cast<short>(B * B / 2));
  const __m128i s01 = _mm_add_epi16(_mm_unpacklo_epi64(block[0], block[1]),
                                    _mm_unpackhi_epi64(block[0], block[1]));
  const __m128i s23 = _mm_add_epi16(_mm_unpacklo_epi64(block[2], block[3]),
                                    _mm_unpackhi_epi64(block[2], block[3]));
  return _mm_packus_epi16(DivideBlocks16<B>(_mm_add_epi16(s01, half)),
                          DivideBlocks16<B>(_mm_add_epi16(s23, half)));
}

// Renders the whole chunks of four B x B blocks of one block row; returns the first
// column left for the general path.
template <int B, bool kStream>
int FusedBlockRow(const uint32_t* src, ptrdiff_t srcStride, uint32_t* dst, ptrdiff_t dstStride, int width) {
  constexpr int kChunk = 4 * B;  // four blocks == B vectors of four pixels
  const int chunks = width / kChunk;
  for (int c = 0; c < chunks; ++c) {
    SpreadVectors<kStream, B>(FourBlockColours<B>(src + c * kChunk, srcStride), dst + c * kChunk, dstStride,
                              std::make_integer_sequence<int, B>{});
  }
  return chunks * kChunk;
}

template <bool kStream>
int FusedBlockRow(int side, const uint32_t* src, ptrdiff_t srcStride, uint32_t* dst, ptrdiff_t dstStride,
                  int width) {
  switch (side) {
    case 2: return FusedBlockRow<2, kStream>(src, srcStride, dst, dstStride, width);
    case 3: return FusedBlockRow<3, kStream>(src, srcStride, dst, dstStride, width);
    case 4: return FusedBlockRow<4, kStream>(src, srcStride, dst, dstStride, width);
    case 5: return FusedBlockRow<5, kStream>(src, srcStride, dst, dstStride, width);
    case 6: return FusedBlockRow<6, kStream>(src, srcStride, dst, dstStride, width);
    case 7: return FusedBlockRow<7, kStream>(src, srcStride, dst, dstStride, width);
    case 8: return FusedBlockRow<8, kStream>(src, srcStride, dst, dstStride, width);
    default: return 0;
  }
}

// Blocks of 9 to 16: the same sums in registers, but the colours go to one row that is then
// copied to the B destination rows (sixteen rows of streaming stores at once would overrun
// the write-combining buffers).
template <int B, int... J>
inline void SpreadColours(__m128i colours, uint32_t* row, std::integer_sequence<int, J...>) {
  (Store(row + 4 * J, _mm_shuffle_epi32(colours, (kSpreadImmediate<B, J>))), ...);
}

template <int B>
int FusedColours(const uint32_t* src, ptrdiff_t stride, uint32_t* row, int width) {
  constexpr int kChunk = 4 * B;
  const int chunks = width / kChunk;
  for (int c = 0; c < chunks; ++c) {
    SpreadColours<B>(FourBlockColours<B>(src + c * kChunk, stride), row + c * kChunk,
                     std::make_integer_sequence<int, B>{});
  }
  return chunks * kChunk;
}

int FusedColours(int side, const uint32_t* src, ptrdiff_t stride, uint32_t* row, int width) {
  switch (side) {
    case 5: return FusedColours<5>(src, stride, row, width);
    case 6: return FusedColours<6>(src, stride, row, width);
    case 7: return FusedColours<7>(src, stride, row, width);
    case 8: return FusedColours<8>(src, stride, row, width);
    case 9: return FusedColours<9>(src, stride, row, width);
    case 10: return FusedColours<10>(src, stride, row, width);
    case 11: return FusedColours<11>(src, stride, row, width);
    case 12: return FusedColours<12>(src, stride, row, width);
    case 13: return FusedColours<13>(src, stride, row, width);
    case 14: return FusedColours<14>(src, stride, row, width);
    case 15: return FusedColours<15>(src, stride, row, width);
    case 16: return FusedColours<16>(src, stride, row, width);
    default: return 0;
  }
}

// ---- general blocks, through column sums

// Adds R rows into the column sums (or starts them, for the first rows of a pass).
template <int R, bool kFirst, int... K>
inline void SumRows(const uint32_t* src, ptrdiff_t stride, int vectorEnd, uint16_t* columns,
                    std::integer_sequence<int, K...>) {
  const __m128i zero = _mm_setzero_si128();
  for (int x = 0; x < vectorEnd; x += 4) {
    __m128i lo = kFirst ? zero : Load(columns + 4 * x);
    __m128i hi = kFirst ? zero : Load(columns + 4 * x + 8);
    (AddPixels(lo, hi, src + K * stride + x), ...);
    Store(columns + 4 * x, lo);
    Store(columns + 4 * x + 8, hi);
  }
}

template <int R>
inline void SumRows(const uint32_t* src, ptrdiff_t stride, int vectorEnd, uint16_t* columns, bool first) {
  if (first) SumRows<R, true>(src, stride, vectorEnd, columns, std::make_integer_sequence<int, R>{});
  else SumRows<R, false>(src, stride, vectorEnd, columns, std::make_integer_sequence<int, R>{});
}

// columns[4 * i + c] = sum over `rows` rows (<= 257) of channel c of pixel i.
void SumColumns(const uint32_t* src, ptrdiff_t stride, int count, int rows, uint16_t* columns) {
  const int vectorEnd = count & ~3;
  // A few rows per sweep: a few read streams, and the sums are touched less often.
  for (int r = 0; r < rows;) {
    const uint32_t* p = src + r * stride;
    const int left = rows - r;
    const int take = left >= 8 ? 8 : left >= 4 ? 4 : left >= 2 ? 2 : 1;
    switch (take) {
      case 8: SumRows<8>(p, stride, vectorEnd, columns, r == 0); break;
      case 4: SumRows<4>(p, stride, vectorEnd, columns, r == 0); break;
      case 2: SumRows<2>(p, stride, vectorEnd, columns, r == 0); break;
      default: SumRows<1>(p, stride, vectorEnd, columns, r == 0); break;
    }
    for (int x = vectorEnd; x < count; ++x) {
      for (int c = 0; c < 4; ++c) {
        uint32_t sum = r == 0 ? 0 : columns[4 * x + c];
        for (int k = 0; k < take; ++k) sum += (p[k * stride + x] >> (8 * c)) & 0xFF;
        columns[4 * x + c] = static_cast<uint16_t>(sum);
      }
    }
    r += take;
  }
}

// Four 32-bit channel sums over `count` column sums (the caller keeps them below 2^32).
inline __m128i SumBlock(const uint16_t* columns, int count) {
  const __m128i zero = _mm_setzero_si128();
  __m128i acc = zero;
  int i = 0;
  for (; i + 2 <= count; i += 2) {
    const __m128i v = Load(columns + 4 * i);
    acc = _mm_add_epi32(acc, _mm_add_epi32(_mm_unpacklo_epi16(v, zero), _mm_unpackhi_epi16(v, zero)));
  }
  if (i < count) {
    const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(columns + 4 * i));
    acc = _mm_add_epi32(acc, _mm_unpacklo_epi16(v, zero));
  }
  return acc;
}

inline void FillRow(uint32_t* row, int count, uint32_t colour) { std::fill(row, row + count, colour); }

// Writes one prepared row, streaming when asked and the row start allows it.
void StoreRow(uint32_t* dst, const uint32_t* row, int count, bool stream) {
  if (!stream || !Aligned16(dst)) {
    std::memcpy(dst, row, static_cast<size_t>(count) * 4);
    return;
  }
  int x = 0;
  for (; x + 4 <= count; x += 4) _mm_stream_si128(reinterpret_cast<__m128i*>(dst + x), Load(row + x));
  for (; x < count; ++x) dst[x] = row[x];
}

// The colours of the blocks of one block row from column x0 to the right edge, into
// row[x0...]: blocks `side` wide (the last one cut), `height` rows.
void ColumnBlockRow(const uint32_t* src, ptrdiff_t srcStride, uint32_t* row, int x0, int width, int side,
                    int height, Scratch& scratch) {
  const int count = width - x0;
  uint16_t* columns = ScratchAccess::columns(scratch);
  row += x0;
  const int blocks = (count + side - 1) / side;
  const int firstWidth = std::min(side, count);
  const bool wide = height > kMaxRowsPerPass || int64_t{firstWidth} * height > kMax32Block;

  if (!wide) {
    SumColumns(src + x0, srcStride, count, height, columns);
    const uint32_t fullArea = static_cast<uint32_t>(firstWidth * height);
    const Reciprocal32 full = ReciprocalFor32(fullArea);
    for (int k = 0; k < blocks; ++k) {
      const int bx = k * side;
      const int bw = std::min(side, count - bx);
      const uint32_t area = static_cast<uint32_t>(bw * height);
      const __m128i y = _mm_add_epi32(SumBlock(columns + 4 * bx, bw),
                                      _mm_set1_epi32(static_cast<int>(area / 2)));
      const uint32_t colour = Divide32(y, area == fullArea ? full : ReciprocalFor32(area));
      FillRow(row + bx, bw, colour);
    }
  } else {
    // Very large blocks: few of them, summed in 64 bits over passes of 257 rows.
    uint64_t* sums = ScratchAccess::blocks(scratch);
    std::fill(sums, sums + 4 * blocks, uint64_t{0});
    for (int py = 0; py < height; py += kMaxRowsPerPass) {
      SumColumns(src + py * srcStride + x0, srcStride, count, std::min(kMaxRowsPerPass, height - py), columns);
      for (int k = 0; k < blocks; ++k) {
        const int bx = k * side;
        const int bw = std::min(side, count - bx);
        for (int i = 0; i < bw; i += 65536) {
          alignas(16) uint32_t part[4];
          _mm_store_si128(reinterpret_cast<__m128i*>(part), SumBlock(columns + 4 * (bx + i), std::min(65536, bw - i)));
          for (int c = 0; c < 4; ++c) sums[4 * k + c] += part[c];
        }
      }
    }
    for (int k = 0; k < blocks; ++k) {
      const int bx = k * side;
      const int bw = std::min(side, count - bx);
      FillRow(row + bx, bw, AverageOf(sums + 4 * k, uint64_t(bw) * uint64_t(height)));
    }
  }
}

#endif  // VESKAR_HAVE_SSE2

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

void Pixelate(ConstPixels src, Pixels dst, int width, int height, int32_t level, Scratch& scratch) {
#if VESKAR_HAVE_SSE2
  if (width <= 0 || height <= 0) return;
  const int side = BlockSide(level, width, height);
  if (side == 1) {
    CopyPicture(src, dst, width, height);
    return;
  }
  scratch.Reserve(width);
  const bool stream = size_t(width) * size_t(height) * 4 >= kStreamBytes && Aligned16(dst.top) &&
                      dst.stride % 4 == 0;
  uint32_t* row = ScratchAccess::row(scratch);
  for (int y = 0; y < height; y += side) {
    const int bh = std::min(side, height - y);
    const uint32_t* s = src.top + y * src.stride;
    uint32_t* d = dst.top + y * dst.stride;
    int x = 0;
    const bool whole = bh == side;
    if (whole && side <= (stream ? kFusedStreamingMax : kFusedMax)) {
      x = stream ? FusedBlockRow<true>(side, s, src.stride, d, dst.stride, width)
                 : FusedBlockRow<false>(side, s, src.stride, d, dst.stride, width);
      if (x == width) continue;
    }
    // Otherwise the block colours make one destination row, written to each of the bh rows.
    const int written = x;
    if (whole && x == 0 && side <= kFusedRowMax) x = FusedColours(side, s, src.stride, row, width);
    if (x < width) ColumnBlockRow(s, src.stride, row, x, width, side, bh, scratch);
    for (int r = 0; r < bh; ++r) StoreRow(d + r * dst.stride + written, row + written, width - written, stream);
  }
  if (stream) _mm_sfence();
#else
  (void)scratch;
  PixelatePortable(src, dst, width, height, level);
#endif
}

}  // namespace effects
