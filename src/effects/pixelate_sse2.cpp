// The kernel's SSE2 back end, and the per-block pieces the AVX2 one shares.
//
// Two ways to the block colours, both with SSE2:
// - Blocks of side 2 to 16, in whole chunks of four blocks: four blocks side by side span
//   B vectors of four pixels; their B rows are summed in registers, the four block colours
//   come out of one multiply-and-shift and are spread back over the vectors by shuffles,
//   then written straight to the B rows (small blocks) or to one row of colours.
// - Everything else (larger blocks, the cut blocks at the right and bottom edges, the
//   columns after the last whole chunk): the rows are first added into 16-bit column sums
//   (255 x 257 still fits 16 bits, so up to 257 rows per pass), then the columns of each
//   block are added in 32-bit lanes and divided by multiply-and-shift.
// A row of colours is then copied to each row of its block row; frames larger than the
// last-level cache are written with streaming stores, and the small blocks written straight
// to their rows from 6 MiB on, their source rows fetched a kilobyte or so ahead.
// In frames past the cache, blocks of 10 and more (odd ones from 17) go as a copy goes:
// two source rows at a time into the unit sums, and two rows of the block row before
// written with them.
#include <algorithm>
#include <cstring>
#include <utility>

#include "effects/pixelate_ways.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace effects::ways {
namespace {

using detail::Reciprocal32;
using detail::ReciprocalFor32;

// How far ahead of the blocks being summed each of their source rows is fetched.
constexpr int kAhead = 1024;

inline __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

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

uint32_t AverageOf(const uint64_t sum[4], uint64_t n) {
  uint32_t out = 0;
  for (int c = 0; c < 4; ++c) out |= static_cast<uint32_t>((sum[c] + n / 2) / n) << (8 * c);
  return out;
}

// ---- whole chunks of four blocks of side 2 to 16

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

template <int B, int... J>
inline void SpreadColours(__m128i colours, uint32_t* row, std::integer_sequence<int, J...>) {
  (Store(row + 4 * J, _mm_shuffle_epi32(colours, (kSpreadImmediate<B, J>))), ...);
}

template <int B>
int FourBlockChunks(const uint32_t* src, ptrdiff_t stride, uint32_t* row, int width) {
  constexpr int kChunk = 4 * B;  // four blocks == B vectors of four pixels
  const int chunks = width / kChunk;
  for (int c = 0; c < chunks; ++c) {
    SpreadColours<B>(FourBlockColours<B>(src + c * kChunk, stride), row + c * kChunk,
                     std::make_integer_sequence<int, B>{});
  }
  return chunks * kChunk;
}

template <int... B>
int FourBlockChunks(int side, const uint32_t* src, ptrdiff_t stride, uint32_t* row, int width,
                    std::integer_sequence<int, B...>) {
  int done = 0;
  (void)((side == B + 2 ? (done = FourBlockChunks<B + 2>(src, stride, row, width), true) : false) || ...);
  return done;
}

int Chunks(int side, const uint32_t* src, ptrdiff_t stride, uint32_t* row, int width) {
  return FourBlockChunks(side, src, stride, row, width, std::make_integer_sequence<int, 15>{});  // 2 to 16
}

// Small blocks written straight to their rows: up to 8 rows at a time from the cache, but
// only up to 4 when streaming past it (more streams than that overrun the write-combining
// buffers). Writing the rows straight away beats building one row and copying it.
constexpr int kFusedMax = 8;
constexpr int kFusedStreamingMax = 4;

template <bool kStream>
inline void StoreVector(uint32_t* p, __m128i v) {
  if constexpr (kStream) _mm_stream_si128(reinterpret_cast<__m128i*>(p), v);
  else _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

template <bool kStream, int B, int J, int... R>
inline void SpreadVector(__m128i colours, uint32_t* dst, ptrdiff_t stride, std::integer_sequence<int, R...>) {
  const __m128i out = _mm_shuffle_epi32(colours, (kSpreadImmediate<B, J>));
  (StoreVector<kStream>(dst + R * stride + 4 * J, out), ...);
}

template <bool kStream, int B, int... J>
inline void SpreadVectors(__m128i colours, uint32_t* dst, ptrdiff_t stride, std::integer_sequence<int, J...>) {
  (SpreadVector<kStream, B, J>(colours, dst, stride, std::make_integer_sequence<int, B>{}), ...);
}

template <int R>
inline void FetchRows(const uint32_t* p, ptrdiff_t stride) {
  for (int r = 0; r < R; ++r) _mm_prefetch(reinterpret_cast<const char*>(p + r * stride + kAhead), _MM_HINT_T0);
}

template <int B, bool kStream>
int DirectChunks(const uint32_t* src, ptrdiff_t srcStride, uint32_t* dst, ptrdiff_t dstStride, int width) {
  constexpr int kChunk = 4 * B;
  const int chunks = width / kChunk;
  for (int c = 0; c < chunks; ++c) {
    FetchRows<B>(src + c * kChunk, srcStride);
    SpreadVectors<kStream, B>(FourBlockColours<B>(src + c * kChunk, srcStride), dst + c * kChunk, dstStride,
                              std::make_integer_sequence<int, B>{});
  }
  return chunks * kChunk;
}

template <bool kStream>
int DirectChunks(int side, const uint32_t* src, ptrdiff_t srcStride, uint32_t* dst, ptrdiff_t dstStride, int width) {
  switch (side) {
    case 2: return DirectChunks<2, kStream>(src, srcStride, dst, dstStride, width);
    case 3: return DirectChunks<3, kStream>(src, srcStride, dst, dstStride, width);
    case 4: return DirectChunks<4, kStream>(src, srcStride, dst, dstStride, width);
    case 5: return DirectChunks<5, kStream>(src, srcStride, dst, dstStride, width);
    case 6: return DirectChunks<6, kStream>(src, srcStride, dst, dstStride, width);
    case 7: return DirectChunks<7, kStream>(src, srcStride, dst, dstStride, width);
    case 8: return DirectChunks<8, kStream>(src, srcStride, dst, dstStride, width);
    default: return 0;
  }
}

// ---- column sums

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

// Four 32-bit channel sums over `count` unit sums (the caller keeps them below 2^32).
inline __m128i SumUnits(const uint16_t* units, int count) {
  const __m128i zero = _mm_setzero_si128();
  __m128i acc = zero;
  int i = 0;
  for (; i + 2 <= count; i += 2) {
    const __m128i v = Load(units + 4 * i);
    acc = _mm_add_epi32(acc, _mm_add_epi32(_mm_unpacklo_epi16(v, zero), _mm_unpackhi_epi16(v, zero)));
  }
  if (i < count) {
    const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(units + 4 * i));
    acc = _mm_add_epi32(acc, _mm_unpacklo_epi16(v, zero));
  }
  return acc;
}

inline void FillRow(uint32_t* row, int count, uint32_t colour) { std::fill(row, row + count, colour); }

// The units of the block at column bx, bw wide.
struct Units {
  int first, count;
};
inline Units UnitsOf(bool pairs, int bx, int bw) { return pairs ? Units{bx / 2, (bw + 1) / 2} : Units{bx, bw}; }

// ---- writing the rows

inline bool Aligned16(const void* p) { return (reinterpret_cast<uintptr_t>(p) & 15) == 0; }

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

}  // namespace

void UnitColours(const uint16_t* units, bool pairs, uint32_t* row, int x0, int width, int side, int rows) {
  const uint32_t fullArea = static_cast<uint32_t>(side * rows);
  const Reciprocal32 full = ReciprocalFor32(fullArea);
  for (int bx = x0; bx < width; bx += side) {
    const int bw = std::min(side, width - bx);
    const uint32_t area = static_cast<uint32_t>(bw * rows);
    const Units u = UnitsOf(pairs, bx, bw);
    const __m128i y = _mm_add_epi32(SumUnits(units + 4 * u.first, u.count), _mm_set1_epi32(static_cast<int>(area / 2)));
    FillRow(row + bx, bw, Divide32(y, area == fullArea ? full : ReciprocalFor32(area)));
  }
}

void AddUnitSums(const uint16_t* units, bool pairs, int width, int side, uint64_t* blocks) {
  for (int bx = 0, k = 0; bx < width; bx += side, ++k) {
    const Units u = UnitsOf(pairs, bx, std::min(side, width - bx));
    // 65536 sums of at most 65535 stay below 2^32.
    for (int i = 0; i < u.count; i += 65536) {
      alignas(16) uint32_t part[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(part), SumUnits(units + 4 * (u.first + i), std::min(65536, u.count - i)));
      for (int c = 0; c < 4; ++c) blocks[4 * k + c] += part[c];
    }
  }
}

void BlockSumColours(const uint64_t* blocks, uint32_t* row, int width, int side, int rows) {
  for (int bx = 0, k = 0; bx < width; bx += side, ++k) {
    const int bw = std::min(side, width - bx);
    FillRow(row + bx, bw, AverageOf(blocks + 4 * k, uint64_t(bw) * uint64_t(rows)));
  }
}

namespace {

// ---- frames past the cache: two source rows at a time

// Adds R source rows into the unit sums (kFirst: starts them, for a block row's first
// rows): single columns, or with kPairs pairs of columns, half the bytes to keep. With
// kLate, writes a row made earlier to R destination rows at the same time, as a copy goes.
// The source rows are fetched a kilobyte ahead.
template <int R, bool kPairs, bool kFirst, bool kLate, bool kStream>
void AddRowsUnits(const uint32_t* src, ptrdiff_t srcStride, uint16_t* units, int count, const uint32_t* late,
                  uint32_t* out, ptrdiff_t outStride) {
  const __m128i zero = _mm_setzero_si128();
  const int vectorEnd = count & ~3;
  const auto four = [&](int x) {
    if constexpr (kPairs) {
      __m128i lo = zero, hi = zero;
      for (int k = 0; k < R; ++k) AddPixels(lo, hi, src + k * srcStride + x);
      __m128i pairs = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
      if constexpr (!kFirst) pairs = _mm_add_epi16(pairs, Load(units + 2 * x));
      Store(units + 2 * x, pairs);
    } else {
      __m128i lo = kFirst ? zero : Load(units + 4 * x);
      __m128i hi = kFirst ? zero : Load(units + 4 * x + 8);
      for (int k = 0; k < R; ++k) AddPixels(lo, hi, src + k * srcStride + x);
      Store(units + 4 * x, lo);
      Store(units + 4 * x + 8, hi);
    }
    if constexpr (kLate) {
      const __m128i v = Load(late + x);
      for (int k = 0; k < R; ++k) StoreVector<kStream>(out + k * outStride + x, v);
    }
  };
  int x = 0;
  for (; x + 16 <= vectorEnd; x += 16) {
    FetchRows<R>(src + x, srcStride);
    four(x), four(x + 4), four(x + 8), four(x + 12);
  }
  for (; x < vectorEnd; x += 4) four(x);
  for (int at = x; at < count; ++at) {
    uint16_t* unit = kPairs ? units + 4 * (at / 2) : units + 4 * at;
    const bool start = kFirst && (!kPairs || at % 2 == 0);
    for (int c = 0; c < 4; ++c) {
      uint32_t sum = start ? 0u : unit[c];
      for (int k = 0; k < R; ++k) sum += (src[k * srcStride + at] >> (8 * c)) & 0xFF;
      unit[c] = static_cast<uint16_t>(sum);
    }
    if constexpr (kLate) {
      for (int k = 0; k < R; ++k) out[k * outStride + at] = late[at];
    }
  }
}

template <int R, bool kPairs, bool kStream>
void AddRowsUnits(bool first, const uint32_t* src, ptrdiff_t srcStride, uint16_t* units, int count,
                  const uint32_t* late, uint32_t* out, ptrdiff_t outStride) {
  if (late == nullptr) {
    if (first) AddRowsUnits<R, kPairs, true, false, kStream>(src, srcStride, units, count, late, out, outStride);
    else AddRowsUnits<R, kPairs, false, false, kStream>(src, srcStride, units, count, late, out, outStride);
  } else {
    if (first) AddRowsUnits<R, kPairs, true, true, kStream>(src, srcStride, units, count, late, out, outStride);
    else AddRowsUnits<R, kPairs, false, true, kStream>(src, srcStride, units, count, late, out, outStride);
  }
}

// The source read once, front to back, two rows at a time, into the unit sums; the rows of
// the block row before written while the same rows of this one are read. (One row at a
// time keeps the sums in memory twice as often; four read and write too many rows side by
// side: both measured slower at 3840 x 2160.)
template <bool kPairs, bool kStream>
void RenderByRows(ConstPixels src, Pixels dst, int width, int height, int side, Work work) {
  const uint32_t* ready = nullptr;  // the colours of the block row before
  uint32_t* readyDst = nullptr;
  int readyRows = 0;
  for (int y = 0; y < height; y += side) {
    const int rows = std::min(side, height - y);
    const uint32_t* s = src.top + y * src.stride;
    for (int r = 0; r < rows;) {
      const bool late = r < readyRows;  // then readyRows >= rows
      const uint32_t* row = late ? ready : nullptr;
      uint32_t* out = late ? readyDst + r * dst.stride : nullptr;
      if (r + 2 <= rows) {
        AddRowsUnits<2, kPairs, kStream>(r == 0, s + r * src.stride, src.stride, work.units, width, row, out, dst.stride);
        r += 2;
      } else {
        AddRowsUnits<1, kPairs, kStream>(r == 0, s + r * src.stride, src.stride, work.units, width, row, out, dst.stride);
        r += 1;
      }
    }
    for (int r = rows; r < readyRows; ++r) StoreRow(readyDst + r * dst.stride, ready, width, kStream);
    uint32_t* colours = ready == work.row ? work.spare : work.row;
    UnitColours(work.units, kPairs, colours, 0, width, side, rows);
    ready = colours;
    readyDst = dst.top + y * dst.stride;
    readyRows = rows;
  }
  for (int r = 0; r < readyRows; ++r) StoreRow(readyDst + r * dst.stride, ready, width, kStream);
}

}  // namespace

bool Sse2Runs() { return true; }

bool RenderSse2(ConstPixels src, Pixels dst, int width, int height, int side, Work work) {
  // Frames larger than this are written around the cache, so that the destination does
  // not push the source out of it.
  constexpr size_t kStreamBytes = size_t{16} << 20;
  constexpr size_t kStreamDirectBytes = size_t{6} << 20;
  const bool aligned = Aligned16(dst.top) && dst.stride % 4 == 0;
  const size_t bytes = size_t(width) * size_t(height) * 4;
  const bool stream = bytes >= kStreamBytes && aligned;
  // Blocks of 2 to 4 written straight to their rows go past the cache from 6 MiB, as a
  // copy would (measured: a quarter less time at 2560 x 1440, the same at 1920 x 1080, and
  // a third more below 6 MiB, at 1368 x 768 and 1600 x 900); those of 5 to 8 are written
  // straight through the cache at every size (at 3840 x 2160, a third less time than a row
  // of colours streamed to each row).
  const bool streamDirect = bytes >= kStreamDirectBytes && aligned && side <= kFusedStreamingMax;
  // Past the cache, blocks of 10 and more (the odd ones from 17) are made two rows at a
  // time (at 3840 x 2160, a fifth less time than the ways below; blocks of 9 to 15 odd
  // columns do as well or better in chunks of four).
  if (bytes >= kStreamBytes && side <= kMaxRowsPerPass && side >= (side % 2 == 0 ? 10 : 17)) {
    const bool pairs = side % 2 == 0 && side <= kMaxPairRowsPerPass;
    const auto byRows = pairs ? (stream ? RenderByRows<true, true> : RenderByRows<true, false>)
                              : (stream ? RenderByRows<false, true> : RenderByRows<false, false>);
    byRows(src, dst, width, height, side, work);
    if (stream) _mm_sfence();
    return true;
  }
  for (int y = 0; y < height; y += side) {
    const int rows = std::min(side, height - y);
    const uint32_t* s = src.top + y * src.stride;
    uint32_t* d = dst.top + y * dst.stride;
    const bool whole = rows == side;
    int x = 0;
    if (whole && side <= (streamDirect ? kFusedStreamingMax : kFusedMax)) {
      x = streamDirect ? DirectChunks<true>(side, s, src.stride, d, dst.stride, width)
                 : DirectChunks<false>(side, s, src.stride, d, dst.stride, width);
      if (x == width) continue;
    }
    // Otherwise the block colours make one destination row, written to each of the rows.
    const int written = x;
    if (whole && x == 0) x = Chunks(side, s, src.stride, work.row, width);
    if (x < width) {
      const int count = width - x;
      if (rows > kMaxRowsPerPass || int64_t{std::min(side, count)} * rows > kMax32Block) {
        // Very large blocks: few of them, summed in 64 bits over passes of 257 rows.
        uint64_t* sums = work.blocks;
        std::fill(sums, sums + 4 * ((count + side - 1) / side), uint64_t{0});
        for (int py = 0; py < rows; py += kMaxRowsPerPass) {
          SumColumns(s + py * src.stride + x, src.stride, count, std::min(kMaxRowsPerPass, rows - py), work.units);
          AddUnitSums(work.units, false, count, side, sums);
        }
        BlockSumColours(sums, work.row + x, count, side, rows);
      } else {
        SumColumns(s + x, src.stride, count, rows, work.units);
        UnitColours(work.units, false, work.row + x, 0, count, side, rows);
      }
    }
    for (int r = 0; r < rows; ++r) StoreRow(d + r * dst.stride + written, work.row + written, width - written, stream);
  }
  if (stream || streamDirect) _mm_sfence();
  return true;
}

}  // namespace effects::ways

#else  // no SSE2: Pixelate takes the plain loop

namespace effects::ways {
bool Sse2Runs() { return false; }
bool RenderSse2(ConstPixels, Pixels, int, int, int, Work) { return false; }
}  // namespace effects::ways

#endif
