// The kernel's AVX2 back end, for processors that have AVX2 (and systems that save the
// 256-bit registers), chosen once per process from cpuid; with AVX-512BW (and a system
// that saves the 512-bit registers) the column sums of 64-bit builds take 512-bit
// registers. 32-bit builds stop at AVX2: held to eight vector registers, the 256-bit way
// still beats SSE2 on average at 1920, 2560 and 3840 pixels, but the 512-bit one has never
// run in a 32-bit build.
// Every function here that uses AVX2 or AVX-512 carries the target attribute, so the rest
// of the build keeps its baseline and nothing compiled for them is shared with code that
// runs everywhere.
//
// Built for memory speed. The source is read one row at a time, front to back (several
// rows read side by side run well below the memory's speed), fetched a few kilobytes
// ahead, and each row is added into 16-bit unit sums held in the first-level cache, eight
// pixels per register: for blocks of even side a unit is a pair of columns, summed by one
// byte shuffle (the same channel of the two pixels side by side) and pmaddubsw by ones;
// otherwise a unit is one column, widened by vpmovzxbw (in rows up to 2048 pixels, two
// rows at a time, added in registers first); blocks of three are summed across the row
// first, one unit per block (by byte permutes across registers where the processor has
// them, AVX-512 VBMI, else by one unaligned load and one byte shuffle per two blocks).
// The block row's last source row goes straight into the block colours, eight or more
// blocks at a time for sides up to 16, one block at a time beyond.
// The destination is written with stores that skip the cache (no line is read just to be
// overwritten), in step with the reading, as a copy writes: each row of a block row while
// the same row of the next block row is read, a register or two out for each one in (the
// step matters: written in longer runs, the rows cost up to a fifth more). The cut blocks
// at the edges and blocks taller than one pass of 16-bit sums go through the shared
// per-block division.
//
// What decides the rest is the first-level cache. Column units take twice the bytes of
// their pixels, so a wide row's units and its row of colours do not fit there together:
// blocks of 5 to 15 columns then keep their colours packed, a register per eight blocks,
// and wide blocks keep no units at all: each row is summed across its blocks as it is
// read (see RenderAvx2 for which).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "effects/pixelate_ways.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>

#define VESKAR_AVX2 __attribute__((target("avx2")))
#define VESKAR_AVX512 __attribute__((target("avx2,avx512f,avx512bw")))
#define VESKAR_VBMI __attribute__((target("avx2,avx512f,avx512bw,avx512vbmi")))

namespace effects::ways {

namespace {

bool CpuHasAvx2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  if (!(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
  // The system must save the XMM and YMM state across task switches (XCR0 bits 1 and 2).
  unsigned lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  if ((lo & 6) != 6) return false;
  if (__get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, a, b, c, d);
  return (b & bit_AVX2) != 0;
}

// AVX-512 with byte and word instructions, and a system that saves the opmask and the
// 512-bit registers (XCR0 bits 5 to 7).
bool CpuHasAvx512Bw() {
  if (!CpuHasAvx2()) return false;
  unsigned lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  if ((lo & 0xE6) != 0xE6) return false;
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid_count(7, 0, a, b, c, d);
  return (b & bit_AVX512F) != 0 && (b & bit_AVX512BW) != 0;
}

// With byte permutes across registers (AVX-512 VBMI) as well.
bool CpuHasAvx512Vbmi() {
  if (!CpuHasAvx512Bw()) return false;
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid_count(7, 0, a, b, c, d);
  return (c & bit_AVX512VBMI) != 0;
}

bool Avx512VbmiRuns() {
  static const bool runs = CpuHasAvx512Vbmi();
  return runs;
}

// Pixels worked at a time along a row: a whole number of chunks of every fast side (16,
// 24 and 8 pixels), 384 bytes of each row.
constexpr int kGrain = 96;
// Frames of this size and more are written past the cache. Smaller ones are written
// through it: their source and destination stay in the cache together, and what comes
// next (the show's copy to the screen) finds them there (measured at 1366 x 768, 1440 x
// 900 and 1600 x 900: a third less time than past it, to 1.0-1.3 of a copy; from 1680 x
// 1050, past the cache is as fast or faster).
constexpr size_t kStreamBytes = size_t{6} << 20;
// How far ahead of the pixels being added the source is fetched: the hardware's own
// prefetch alone leaves the memory idle while a row's sums are worked.
constexpr int kAhead = 2048;
// Rows up to this wide take 512-bit column sums, where the processor has them: 12 bytes a
// pixel with the row of colours, in the first-level cache beside the source (measured at
// 2560 and 3840 pixels: wider, they cost more than they give, but see RenderAvx2 for the
// blocks whose colours are kept packed).
constexpr int kWideColumnsWidth = 2730;
// Rows over this wide keep the colours of odd blocks up to 15 pixels packed (measured at
// 1920, 2560 and 3840 pixels: at 1920 the row of colours still fits beside the sums).
constexpr int kSpreadWidth = 2048;

VESKAR_AVX2 inline __m256i Load8(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
VESKAR_AVX2 inline void Store8(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }

// Where streaming stores start in a row (or a run of it) from p: the first 32-byte
// boundary on rows that start on one, where every run begins on one too; otherwise the
// first 64-byte line, and only whole lines are streamed. A line written both ways, part
// streamed and part through the cache, costs many times a line of either (rows off the
// boundaries, measured at up to three times a copy at 3841 x 2160).
inline uintptr_t StreamFrom(const void* p) { return (reinterpret_cast<uintptr_t>(p) & 31) == 0 ? 31 : 63; }

// Inlined always: left as a call, GCC finds that it changes nothing and drops it.
__attribute__((always_inline)) inline void FetchAhead(const uint32_t* p, int count) {
  for (int i = 0; i < count; i += 16) _mm_prefetch(reinterpret_cast<const char*>(p + i + kAhead), _MM_HINT_T0);
}

// ---- one source row into the unit sums

// Pairs: units[4i + c] is channel c of pixels 2i and 2i + 1 (the last one alone when the
// count is odd). The eight pixels at p give four pairs in order: per 128-bit half the
// bytes are put as B0 B1 G0 G1 R0 R1 A0 A1 B2 B3 ... A3 and pmaddubsw by ones adds each two.
VESKAR_AVX2 inline __m256i PairUnits(const uint32_t* p) {
  const __m256i order = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15,  //
                                         0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
  return _mm256_maddubs_epi16(_mm256_shuffle_epi8(Load8(p), order), _mm256_set1_epi8(1));
}

// Columns: units[4x + c] is channel c of pixel x; four pixels at p give four units.
VESKAR_AVX2 inline __m256i ColumnUnits(const uint32_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

template <bool kFirst>
VESKAR_AVX2 inline void AddUnits(uint16_t* units, __m256i v) {
  if constexpr (!kFirst) v = _mm256_add_epi16(v, Load8(units));
  Store8(units, v);
}

inline void AddPixelToUnit(uint16_t* unit, uint32_t pixel, bool first) {
  for (int c = 0; c < 4; ++c) {
    const unsigned v = (pixel >> (8 * c)) & 0xFF;
    unit[c] = static_cast<uint16_t>(first ? v : unit[c] + v);
  }
}

// Sixteen pixels at x into the unit sums.
template <bool kFirst>
VESKAR_AVX2 inline void AddSixteenPairs(const uint32_t* src, uint16_t* units, int x) {
  AddUnits<kFirst>(units + 2 * x, PairUnits(src + x));
  AddUnits<kFirst>(units + 2 * x + 16, PairUnits(src + x + 8));
}

template <bool kFirst>
VESKAR_AVX2 inline void AddSixteenColumns(const uint32_t* src, uint16_t* units, int x) {
  AddUnits<kFirst>(units + 4 * x, ColumnUnits(src + x));
  AddUnits<kFirst>(units + 4 * x + 16, ColumnUnits(src + x + 4));
  AddUnits<kFirst>(units + 4 * x + 32, ColumnUnits(src + x + 8));
  AddUnits<kFirst>(units + 4 * x + 48, ColumnUnits(src + x + 12));
}

// The same with 512-bit registers (AVX-512BW): a column unit is as wide as its pixel, so
// columns take twice the work of pairs, and the wider registers give that back.
template <bool kFirst>
VESKAR_AVX512 inline void AddEightColumnsWide(const uint32_t* src, uint16_t* units, int x) {
  __m512i v = _mm512_cvtepu8_epi16(Load8(src + x));
  if constexpr (!kFirst) v = _mm512_add_epi16(v, _mm512_loadu_si512(units + 4 * x));
  _mm512_storeu_si512(units + 4 * x, v);
}

template <bool kFirst>
VESKAR_AVX512 inline void AddSixteenColumnsWide(const uint32_t* src, uint16_t* units, int x) {
  AddEightColumnsWide<kFirst>(src, units, x);
  AddEightColumnsWide<kFirst>(src, units, x + 8);
}

// Blocks of three (AVX-512 VBMI): each row is summed across its blocks first, so a row
// leaves one 16-bit sum per channel per block, 8 bytes for 3 pixels, in place of three
// column units. Byte permutes across two registers put each block's first two pixels side
// by side per channel for pmaddubsw, and its third pixel into a zero-topped word.
// Sixteen blocks (48 pixels) at a time; `sums` holds four per block.
template <int K>
inline constexpr uint8_t kThreeIndex = [] {
  const int byte = K % 64;
  const int unit = byte / 2, block = unit / 4, channel = unit % 4;
  const int pixel = K < 64 ? 3 * block + byte % 2 : 3 * block + 2;
  return static_cast<uint8_t>(4 * pixel + channel);
}();

template <int... K>
VESKAR_VBMI inline __m512i ThreeIndex(int second, std::integer_sequence<int, K...>) {
  alignas(64) static constexpr uint8_t index[] = {kThreeIndex<K + 0>..., kThreeIndex<K + 64>...};
  return _mm512_load_si512(index + 64 * second);
}

// The sums of blocks 8h to 8h + 7 of 16 at p across one row, for h = 0 and 1.
VESKAR_VBMI inline void RowThrees(const uint32_t* p, __m512i (&out)[2]) {
  const __m512i a = _mm512_loadu_si512(p), b = _mm512_loadu_si512(p + 16), c = _mm512_loadu_si512(p + 32);
  const __m512i pairs = ThreeIndex(0, std::make_integer_sequence<int, 64>{});
  const __m512i third = ThreeIndex(1, std::make_integer_sequence<int, 64>{});
  const __m512i shift = _mm512_set1_epi8(32), ones = _mm512_set1_epi8(1);
  constexpr __mmask64 kEven = 0x5555555555555555ull;
  out[0] = _mm512_add_epi16(_mm512_maddubs_epi16(_mm512_permutex2var_epi8(a, pairs, b), ones),
                            _mm512_maskz_permutex2var_epi8(kEven, a, third, b));
  // The second eight start 96 bytes in: 32 bytes into b.
  out[1] = _mm512_add_epi16(
      _mm512_maddubs_epi16(_mm512_permutex2var_epi8(b, _mm512_add_epi8(pairs, shift), c), ones),
      _mm512_maskz_permutex2var_epi8(kEven, b, _mm512_add_epi8(third, shift), c));
}

// The block row's last row: the colours of sixteen blocks, each spread over its 3 pixels.
// Packed from the two registers of eight, block b lies at dword kPackedThree<b>.
template <int B>
inline constexpr int kPackedThree = B < 8 ? 4 * (B / 2) + B % 2 : 4 * ((B - 8) / 2) + 2 + B % 2;

template <int M, int... I>
VESKAR_VBMI inline void SpreadThrees(__m512i packed, uint32_t* row, std::integer_sequence<int, I...>) {
  // (The masked form: GCC 12 warns of the undefined input of the plain one.)
  const __m512i index = _mm512_set_epi32(kPackedThree<(16 * M + 15 - I) / 3>...);
  _mm512_storeu_si512(row + 16 * M, _mm512_maskz_permutexvar_epi32(0xFFFF, index, packed));
}

// Sixteen blocks at x into the sums (kFirst: the block row's first row), or with kLast the
// block row's last row into their colours in `row`.
template <bool kFirst, bool kLast>
VESKAR_VBMI inline void SixteenThrees(const uint32_t* src, uint16_t* sums, uint32_t* row, int x) {
  __m512i v[2] = {_mm512_setzero_si512(), _mm512_setzero_si512()};  // (else GCC 12 warns; the zeros go)
  RowThrees(src + x, v);
  sums += 4 * (x / 3);
  if constexpr (kLast) {
    constexpr detail::Reciprocal16 r = detail::ReciprocalFor16(3);
    static_assert(r.pre == 0 && r.mul != 0);
    const __m512i half = _mm512_set1_epi16(4), mul = _mm512_set1_epi16(static_cast<short>(r.mul));
    for (int h = 0; h < 2; ++h) {
      const __m512i y = _mm512_add_epi16(_mm512_add_epi16(v[h], _mm512_loadu_si512(sums + 32 * h)), half);
      v[h] = _mm512_srli_epi16(_mm512_mulhi_epu16(y, mul), r.post);
    }
    const __m512i packed = _mm512_packus_epi16(v[0], v[1]);
    SpreadThrees<0>(packed, row + x, std::make_integer_sequence<int, 16>{});
    SpreadThrees<1>(packed, row + x, std::make_integer_sequence<int, 16>{});
    SpreadThrees<2>(packed, row + x, std::make_integer_sequence<int, 16>{});
  } else {
    for (int h = 0; h < 2; ++h) {
      if constexpr (!kFirst) v[h] = _mm512_add_epi16(v[h], _mm512_loadu_si512(sums + 32 * h));
      _mm512_storeu_si512(sums + 32 * h, v[h]);
    }
  }
}

// Blocks of three with AVX2, summed across the row as with VBMI but in other registers. A
// 256-bit load from the pixel before block j holds block j whole in its low half (pixels 1
// to 3) and block j + 1 in its high half (pixels 0 to 2). A byte shuffle puts each block's
// first two pixels side by side per channel and its third one over zero bytes, pmaddubsw
// by ones leaves the pair's sums in the low 64 bits and the third pixel in the high ones,
// and the halves of two such registers added give four blocks as j, j + 2, j + 1, j + 3.
VESKAR_AVX2 inline __m256i FourThrees(__m256i a, __m256i b) {
  constexpr char Z = -128;  // a zero byte
  const __m256i order = _mm256_setr_epi8(4, 8, 5, 9, 6, 10, 7, 11, 12, Z, 13, Z, 14, Z, 15, Z,  //
                                         0, 4, 1, 5, 2, 6, 3, 7, 8, Z, 9, Z, 10, Z, 11, Z);
  const __m256i ones = _mm256_set1_epi8(1);
  const __m256i x = _mm256_maddubs_epi16(_mm256_shuffle_epi8(a, order), ones);
  const __m256i y = _mm256_maddubs_epi16(_mm256_shuffle_epi8(b, order), ones);
  return _mm256_add_epi16(_mm256_unpacklo_epi64(x, y), _mm256_unpackhi_epi64(x, y));
}

// Eight blocks' colours packed from two registers of four lie as blocks 0 2 4 6 1 3 5 7;
// output register M of the 24 pixels takes each pixel's block from there.
template <int M, int... I>
VESKAR_AVX2 inline void SpreadEightThrees(__m256i packed, uint32_t* row, std::integer_sequence<int, I...>) {
  constexpr auto place = [](int b) { return b % 2 == 0 ? b / 2 : 4 + b / 2; };
  const __m256i index = _mm256_setr_epi32(place((8 * M + I) / 3)...);
  Store8(row + 8 * M, _mm256_permutevar8x32_epi32(packed, index));
}

// Sixteen blocks at x, as SixteenThrees; x is 0 or more than the pixel before it.
template <bool kFirst, bool kLast>
VESKAR_AVX2 __attribute__((always_inline)) inline void SixteenThreesAvx2(const uint32_t* src, uint16_t* sums,
                                                                        uint32_t* row, int x) {
  const uint32_t* p = src + x;
  __m256i first;
  if (x == 0) {  // no pixel before the row: the first block moved up in its half
    const __m128i low = _mm_slli_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), 4);
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3));
    first = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
  } else {
    first = Load8(p - 1);
  }
  __m256i v0 = FourThrees(first, Load8(p + 5)), v1 = FourThrees(Load8(p + 11), Load8(p + 17));
  __m256i v2 = FourThrees(Load8(p + 23), Load8(p + 29)), v3 = FourThrees(Load8(p + 35), Load8(p + 41));
  sums += 4 * (x / 3);
  if constexpr (kLast) {
    constexpr detail::Reciprocal16 r = detail::ReciprocalFor16(3);
    static_assert(r.pre == 0 && r.mul != 0);
    const __m256i half = _mm256_set1_epi16(4), mul = _mm256_set1_epi16(static_cast<short>(r.mul));
    auto colours = [&](__m256i v, int g) VESKAR_AVX2 {
      const __m256i y = _mm256_add_epi16(_mm256_add_epi16(v, Load8(sums + 16 * g)), half);
      return _mm256_srli_epi16(_mm256_mulhi_epu16(y, mul), r.post);
    };
    const __m256i low = _mm256_packus_epi16(colours(v0, 0), colours(v1, 1));
    const __m256i high = _mm256_packus_epi16(colours(v2, 2), colours(v3, 3));
    SpreadEightThrees<0>(low, row + x, std::make_integer_sequence<int, 8>{});
    SpreadEightThrees<1>(low, row + x, std::make_integer_sequence<int, 8>{});
    SpreadEightThrees<2>(low, row + x, std::make_integer_sequence<int, 8>{});
    SpreadEightThrees<0>(high, row + x + 24, std::make_integer_sequence<int, 8>{});
    SpreadEightThrees<1>(high, row + x + 24, std::make_integer_sequence<int, 8>{});
    SpreadEightThrees<2>(high, row + x + 24, std::make_integer_sequence<int, 8>{});
  } else {
    AddUnits<kFirst>(sums, v0);
    AddUnits<kFirst>(sums + 16, v1);
    AddUnits<kFirst>(sums + 32, v2);
    AddUnits<kFirst>(sums + 48, v3);
  }
}

// A row of colours made earlier, to be written to `row` while the next rows are read.
// For blocks of two, where the row is on a 32-byte boundary, `halves` holds one colour
// per block in the order Finish2 packs them, sixteen pixels to a register of eight, and
// the writes are made from it: half the bytes of a wide row to keep in the first-level
// cache beside the unit sums. (`ready` then holds only the pixels past the last sixteen.)
struct Late {
  const uint32_t* ready;
  const uint32_t* halves;
  uint32_t* row;
  uint32_t* second = nullptr;  // the next row too, where two rows go at a time
};

// Eight colours of `halves` out as sixteen pixels.
VESKAR_AVX2 inline void StreamHalves(const uint32_t* halves, uint32_t* dst) {
  const __m256i v = Load8(halves);
  _mm256_stream_si256(reinterpret_cast<__m256i*>(dst), _mm256_unpacklo_epi32(v, v));
  _mm256_stream_si256(reinterpret_cast<__m256i*>(dst + 8), _mm256_unpackhi_epi32(v, v));
}

// One row into the unit sums, sixteen pixels (kStep) at a time from 0 on (`add`); returns
// where it stopped. With kWrite, the late row goes out at the same time, as many pixels
// out as in, from the first 32-byte boundary of the row on (the pixels before it and
// after the last whole registers go the ordinary way); with kSecond, `late.second` as
// well, a row that starts at the same place in a 32-byte line.
template <bool kWrite, int kStep = 16, bool kSecond = false, typename Add>  // kStep: 16 or 48
VESKAR_AVX2 __attribute__((always_inline)) inline int AddSixteens(const uint32_t* src, int count, Late late, Add add) {
  int x = 0;
  if constexpr (kWrite) {
    const uint32_t* const ready = late.ready;
    int head = 0;
    const uintptr_t from = StreamFrom(late.row);
    while (head < count && (reinterpret_cast<uintptr_t>(late.row + head) & from) != 0) {
      late.row[head] = ready[head];
      if constexpr (kSecond) late.second[head] = ready[head];
      ++head;
    }
    if (kStep == 16 && !kSecond && late.halves && head == 0) {
      for (; x + 16 <= count; x += 16) {
        FetchAhead(src + x, 16);
        add(x);
        StreamHalves(late.halves + x / 2, late.row + x);
      }
    } else {
      for (; x + kStep + head <= count; x += kStep) {
        FetchAhead(src + x, kStep);
        add(x);
        uint32_t* const out = late.row + head + x;
        const uint32_t* const in = ready + head + x;
        _mm256_stream_si256(reinterpret_cast<__m256i*>(out), Load8(in));
        _mm256_stream_si256(reinterpret_cast<__m256i*>(out + 8), Load8(in + 8));
        if constexpr (kSecond) {
          uint32_t* const out2 = late.second + head + x;
          _mm256_stream_si256(reinterpret_cast<__m256i*>(out2), Load8(in));
          _mm256_stream_si256(reinterpret_cast<__m256i*>(out2 + 8), Load8(in + 8));
        }
        if constexpr (kStep == 48) {
          for (int i = 16; i < 48; i += 8) _mm256_stream_si256(reinterpret_cast<__m256i*>(out + i), Load8(in + i));
        }
      }
    }
    const size_t rest = static_cast<size_t>(count - head - x) * 4;
    std::memcpy(late.row + head + x, ready + head + x, rest);
    if constexpr (kSecond) std::memcpy(late.second + head + x, ready + head + x, rest);
  }
  for (; x + kStep <= count; x += kStep) {
    FetchAhead(src + x, kStep);
    add(x);
  }
  return x;
}

// Blocks of three from 0 to count (a multiple of 48) of one row, and the late row, if any,
// written at the same time.
template <bool kFirst, bool kLast>
VESKAR_VBMI void ThreesRow(const uint32_t* src, uint16_t* sums, uint32_t* row, int count, Late late) {
  auto add = [=](int at) VESKAR_VBMI { SixteenThrees<kFirst, kLast>(src, sums, row, at); };
  if (late.row) AddSixteens<true, 48>(src, count, late, add);
  else AddSixteens<false, 48>(src, count, late, add);
}

// The same in 256-bit registers; count is less than the row's width (the last sixteen
// blocks read the pixel after them). The sixteen blocks are inlined always: left as a call
// each, they cost the frame 5 to 10 % more at 1920 pixels.
template <bool kFirst, bool kLast>
VESKAR_AVX2 void ThreesRowAvx2(const uint32_t* src, uint16_t* sums, uint32_t* row, int count, Late late) {
  auto add = [=](int at) VESKAR_AVX2 __attribute__((always_inline)) {
    SixteenThreesAvx2<kFirst, kLast>(src, sums, row, at);
  };
  if (late.row) AddSixteens<true, 48>(src, count, late, add);
  else AddSixteens<false, 48>(src, count, late, add);
}

template <bool kFirst, bool kWrite>
VESKAR_AVX2 void AddPairs(const uint32_t* src, uint16_t* units, int count, Late late) {
  int x = AddSixteens<kWrite>(src, count, late,
                              [=](int at) VESKAR_AVX2 { AddSixteenPairs<kFirst>(src, units, at); });
  for (; x + 8 <= count; x += 8) AddUnits<kFirst>(units + 2 * x, PairUnits(src + x));
  for (; x < count; x += 2) {
    AddPixelToUnit(units + 2 * x, src[x], kFirst);
    if (x + 1 < count) AddPixelToUnit(units + 2 * x, src[x + 1], false);
  }
}

template <bool kFirst, bool kWrite>
VESKAR_AVX512 int AddSixteensWide(const uint32_t* src, uint16_t* units, int count, Late late) {
  return AddSixteens<kWrite>(src, count, late,
                             [=](int at) VESKAR_AVX512 { AddSixteenColumnsWide<kFirst>(src, units, at); });
}

template <bool kFirst, bool kWrite>
VESKAR_AVX2 void AddColumns(const uint32_t* src, uint16_t* units, int count, Late late,
                            bool wide) {
  int x = wide ? AddSixteensWide<kFirst, kWrite>(src, units, count, late)
               : AddSixteens<kWrite>(src, count, late,
                                     [=](int at) VESKAR_AVX2 { AddSixteenColumns<kFirst>(src, units, at); });
  for (; x + 4 <= count; x += 4) AddUnits<kFirst>(units + 4 * x, ColumnUnits(src + x));
  for (; x < count; ++x) AddPixelToUnit(units + 4 * x, src[x], kFirst);
}

// Sixteen pixels at x of two rows into the column sums, the two pixels of each column
// added in registers first.
template <bool kFirst>
VESKAR_AVX512 __attribute__((always_inline)) inline void AddTwoColumnsWide(const uint32_t* a, const uint32_t* b,
                                                                          uint16_t* units, int x) {
  for (int i = 0; i < 16; i += 8) {
    __m512i v = _mm512_add_epi16(_mm512_cvtepu8_epi16(Load8(a + x + i)), _mm512_cvtepu8_epi16(Load8(b + x + i)));
    if constexpr (!kFirst) v = _mm512_add_epi16(v, _mm512_loadu_si512(units + 4 * (x + i)));
    _mm512_storeu_si512(units + 4 * (x + i), v);
  }
}

template <bool kFirst>
VESKAR_AVX2 __attribute__((always_inline)) inline void AddTwoColumns(const uint32_t* a, const uint32_t* b,
                                                                    uint16_t* units, int x) {
  for (int i = 0; i < 16; i += 4) {
    AddUnits<kFirst>(units + 4 * (x + i), _mm256_add_epi16(ColumnUnits(a + x + i), ColumnUnits(b + x + i)));
  }
}

// Two rows of a block row, both before its last, into the column sums at once (`add`,
// which takes both rows' pixels at x), so that the sums are loaded and stored once for the
// two. The same two rows of the block row before (late.row and late.second, or none) go
// out in step; every row of the destination starts at the same place in a 32-byte line
// (the caller sees to it).
template <bool kFirst, typename Add>
VESKAR_AVX2 __attribute__((always_inline)) inline void AddColumnRows(const uint32_t* a, const uint32_t* b,
                                                                    uint16_t* units, int count, Late late, Add add) {
  auto both = [=](int at) VESKAR_AVX2 __attribute__((always_inline)) {
    FetchAhead(b + at, 16);
    add(at);
  };
  int x = late.row ? AddSixteens<true, 16, true>(a, count, late, both) : AddSixteens<false>(a, count, late, both);
  for (; x + 4 <= count; x += 4) {
    AddUnits<kFirst>(units + 4 * x, _mm256_add_epi16(ColumnUnits(a + x), ColumnUnits(b + x)));
  }
  for (; x < count; ++x) {
    AddPixelToUnit(units + 4 * x, a[x], kFirst);
    AddPixelToUnit(units + 4 * x, b[x], false);
  }
}

template <bool kFirst>
VESKAR_AVX512 void AddColumnRowsWide(const uint32_t* a, const uint32_t* b, uint16_t* units, int count, Late late) {
  AddColumnRows<kFirst>(a, b, units, count, late,
                        [=](int at) VESKAR_AVX512 { AddTwoColumnsWide<kFirst>(a, b, units, at); });
}

template <bool kFirst>
VESKAR_AVX2 void AddColumnRowsNarrow(const uint32_t* a, const uint32_t* b, uint16_t* units, int count, Late late) {
  AddColumnRows<kFirst>(a, b, units, count, late,
                        [=](int at) VESKAR_AVX2 { AddTwoColumns<kFirst>(a, b, units, at); });
}

VESKAR_AVX2 void AddTwoRows(bool wide, bool first, const uint32_t* a, const uint32_t* b, uint16_t* units,
                            int count, Late late) {
  if (wide) {
    first ? AddColumnRowsWide<true>(a, b, units, count, late) : AddColumnRowsWide<false>(a, b, units, count, late);
  } else {
    first ? AddColumnRowsNarrow<true>(a, b, units, count, late) : AddColumnRowsNarrow<false>(a, b, units, count, late);
  }
}

// How a block row's rows are added: in pairs of columns or single columns, and these with
// 512-bit registers or not.
struct RowWay {
  bool pairs;
  bool wide;
};

template <bool kWrite>
VESKAR_AVX2 void AddRow(RowWay way, bool first, const uint32_t* src, uint16_t* units, int count,
                        Late late) {
  if (way.pairs) {
    first ? AddPairs<true, kWrite>(src, units, count, late)
          : AddPairs<false, kWrite>(src, units, count, late);
  } else {
    first ? AddColumns<true, kWrite>(src, units, count, late, way.wide)
          : AddColumns<false, kWrite>(src, units, count, late, way.wide);
  }
}

VESKAR_AVX2 void AddRow(RowWay way, bool first, const uint32_t* src, uint16_t* units, int count) {
  AddRow<false>(way, first, src, units, count, Late{});
}

// ---- one row of colours out to the destination

VESKAR_AVX2 void WriteSegment(const uint32_t* colours, uint32_t* dst, int count, bool stream,
                              const uint32_t* halves = nullptr) {
  if (!stream) {
    std::memcpy(dst, colours, static_cast<size_t>(count) * 4);
    return;
  }
  uint32_t* const end = dst + count;
  if (halves) {  // from a 32-byte boundary, at a multiple of sixteen pixels
    for (; end - dst >= 16; dst += 16, colours += 16, halves += 8) StreamHalves(halves, dst);
  }
  // The pixels before the first streaming store and after the last go the ordinary way.
  const uintptr_t from = StreamFrom(dst);
  const bool wholeLines = from == 63;
  while (dst < end && (reinterpret_cast<uintptr_t>(dst) & from) != 0) *dst++ = *colours++;
  for (; end - dst >= 16; dst += 16, colours += 16) {
    _mm256_stream_si256(reinterpret_cast<__m256i*>(dst), Load8(colours));
    _mm256_stream_si256(reinterpret_cast<__m256i*>(dst + 8), Load8(colours + 8));
  }
  if (!wholeLines && end - dst >= 8) {
    _mm256_stream_si256(reinterpret_cast<__m256i*>(dst), Load8(colours));
    dst += 8;
    colours += 8;
  }
  while (dst < end) *dst++ = *colours++;
}

VESKAR_AVX2 void WriteRow(const uint32_t* colours, uint32_t* dst, int width, bool stream, const uint32_t* halves) {
  for (int x = 0; x < width; x += kGrain) {
    WriteSegment(colours + x, dst + x, std::min(kGrain, width - x), stream, halves ? halves + x / 2 : nullptr);
  }
}

inline uint16_t* UnitsAt(uint16_t* units, bool pairs, int x) { return units + (pairs ? 2 * x : 4 * x); }

// ---- the last row of a whole block row, added to the unit sums on the way to the block
// colours, many blocks at a time; each returns the first column it left (a multiple of
// the side)

// Per 128-bit half, the low bytes of the first four 16-bit lanes, four times over: one
// block's colour for four pixels.
VESKAR_AVX2 inline __m256i SpreadLowWords() {
  return _mm256_setr_epi8(0, 2, 4, 6, 0, 2, 4, 6, 0, 2, 4, 6, 0, 2, 4, 6,  //
                          0, 2, 4, 6, 0, 2, 4, 6, 0, 2, 4, 6, 0, 2, 4, 6);
}

// Side 2: each pair is a block. pmulhrsw by 2^13 is (s * 2^13 + 2^14) >> 15 == (s + 2) >> 2.
// Sixteen pixels at x; with kHalves the colours go to `out` as halves (see Late), else as
// a row of pixels.
template <bool kHalves>
VESKAR_AVX2 inline void Finish2Sixteen(const uint32_t* src, const uint16_t* units, uint32_t* out, int x) {
  const __m256i quarter = _mm256_set1_epi16(1 << 13);
  const __m256i a = _mm256_mulhrs_epi16(_mm256_add_epi16(PairUnits(src + x), Load8(units + 2 * x)), quarter);
  const __m256i b = _mm256_mulhrs_epi16(_mm256_add_epi16(PairUnits(src + x + 8), Load8(units + 2 * x + 16)), quarter);
  const __m256i packed = _mm256_packus_epi16(a, b);  // per half: a's two colours, then b's two
  if constexpr (kHalves) {
    Store8(out + x / 2, packed);
  } else {
    Store8(out + x, _mm256_unpacklo_epi32(packed, packed));
    Store8(out + x + 8, _mm256_unpackhi_epi32(packed, packed));
  }
}

template <bool kHalves>
VESKAR_AVX2 int Finish2(const uint32_t* src, const uint16_t* units, uint32_t* out, int count, uint32_t* = nullptr) {
  int x = 0;
  for (; x + 16 <= count; x += 16) Finish2Sixteen<kHalves>(src, units, out, x);
  return x;
}

// Side 4: two pairs per block, one block per 128-bit half.
VESKAR_AVX2 int Finish4(const uint32_t* src, const uint16_t* units, uint32_t* row, int count, uint32_t*) {
  const __m256i half = _mm256_set1_epi16(8);
  int x = 0;
  for (; x + 8 <= count; x += 8) {
    const __m256i v = _mm256_add_epi16(PairUnits(src + x), Load8(units + 2 * x));
    const __m256i sum = _mm256_add_epi16(v, _mm256_srli_si256(v, 8));
    Store8(row + x, _mm256_shuffle_epi8(_mm256_srli_epi16(_mm256_add_epi16(sum, half), 4), SpreadLowWords()));
  }
  return x;
}

// Sides 8 and 16: K registers of four pairs per block; the sums stay below 255 * 256 + 128.
template <int K>
VESKAR_AVX2 int Finish8K(const uint32_t* src, const uint16_t* units, uint32_t* row, int count, uint32_t*) {
  constexpr int kSide = 8 * K;
  constexpr int kShift = K == 1 ? 6 : 8;  // kSide * kSide == 1 << kShift
  const __m256i half = _mm256_set1_epi16(kSide * kSide / 2);
  int x = 0;
  for (; x + kSide <= count; x += kSide) {
    __m256i sum = _mm256_add_epi16(PairUnits(src + x), Load8(units + 2 * x));
    if constexpr (K == 2) {
      sum = _mm256_add_epi16(sum, _mm256_add_epi16(PairUnits(src + x + 8), Load8(units + 2 * x + 16)));
    }
    sum = _mm256_add_epi16(sum, _mm256_permute2x128_si256(sum, sum, 1));
    sum = _mm256_add_epi16(sum, _mm256_srli_si256(sum, 8));
    const __m256i colour =
        _mm256_shuffle_epi8(_mm256_srli_epi16(_mm256_add_epi16(sum, half), kShift), SpreadLowWords());
    for (int k = 0; k < K; ++k) Store8(row + x + 8 * k, colour);
  }
  return x;
}

// Sides whose blocks hold an odd number of units (3, 5, ..., 15 columns; 6, 10 and 14 as
// pairs of columns), eight blocks at a time. Four blocks are 4U units in U registers of
// four units; unit j of block k is unit kU + j, and with U odd the four blocks' units j lie
// in four different 64-bit places: three 64-bit blends gather them into one register, the
// registers of every j with the same j mod 4 have the same arrangement and are added, and
// one permute per arrangement puts the blocks in order.
template <int U>
struct OddUnitPlaces {
  static constexpr int Source(int j, int k) { return (k * U + j) / 4; }
  static constexpr int Place(int j, int k) { return (k * U + j) % 4; }
  static constexpr int Order(int m) {  // vpermq: block k from its place in arrangement m
    int imm = 0;
    for (int k = 0; k < 4; ++k) imm |= Place(m, k) << (2 * k);
    return imm;
  }
};
template <int U, int J, int K>
inline constexpr int kPlaceMask = 3 << (2 * OddUnitPlaces<U>::Place(J, K));
template <int U, int M>
inline constexpr int kOrder = OddUnitPlaces<U>::Order(M);

template <int U, int J>
VESKAR_AVX2 inline __m256i Gather(const __m256i (&v)[U]) {
  using P = OddUnitPlaces<U>;
  __m256i g = v[P::Source(J, 0)];
  g = _mm256_blend_epi32(g, v[P::Source(J, 1)], (kPlaceMask<U, J, 1>));
  g = _mm256_blend_epi32(g, v[P::Source(J, 2)], (kPlaceMask<U, J, 2>));
  return _mm256_blend_epi32(g, v[P::Source(J, 3)], (kPlaceMask<U, J, 3>));
}

template <int U, int... J>
VESKAR_AVX2 inline __m256i FourBlockSums(const __m256i (&v)[U], std::integer_sequence<int, J...>) {
  __m256i g[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
  ((g[J % 4] = _mm256_add_epi16(g[J % 4], Gather<U, J>(v))), ...);
  __m256i sum = _mm256_add_epi16(_mm256_permute4x64_epi64(g[0], (kOrder<U, 0>)),
                                 _mm256_permute4x64_epi64(g[1], (kOrder<U, 1>)));
  sum = _mm256_add_epi16(sum, _mm256_permute4x64_epi64(g[2], (kOrder<U, 2>)));
  if constexpr (U > 3) sum = _mm256_add_epi16(sum, _mm256_permute4x64_epi64(g[3], (kOrder<U, 3>)));
  return sum;
}

template <int B>
VESKAR_AVX2 inline __m256i DivideBlocks16(__m256i y) {
  constexpr detail::Reciprocal16 r = detail::ReciprocalFor16(B);
  if constexpr (r.pre > 0) y = _mm256_srli_epi16(y, r.pre);
  if constexpr (r.mul != 0) {
    y = _mm256_mulhi_epu16(y, _mm256_set1_epi16(static_cast<short>(r.mul)));
    if constexpr (r.post > 0) y = _mm256_srli_epi16(y, r.post);
  }
  return y;
}

// Eight block colours packed from two registers of four lie as blocks 0 1 4 5 2 3 6 7;
// output register M takes each of its pixels' block from there.
template <int B, int M, int I>
inline constexpr int kPacked = [] {
  const int b = (8 * M + I) / B;
  return b < 2 || b > 5 ? b : b < 4 ? b + 2 : b - 2;
}();

// (kStream: past the cache, to a 32-byte boundary.)
template <int B, bool kStream, int M>
VESKAR_AVX2 inline void SpreadEight(__m256i packed, uint32_t* row) {
  const __m256i index = _mm256_setr_epi32(kPacked<B, M, 0>, kPacked<B, M, 1>, kPacked<B, M, 2>, kPacked<B, M, 3>,
                                          kPacked<B, M, 4>, kPacked<B, M, 5>, kPacked<B, M, 6>, kPacked<B, M, 7>);
  const __m256i v = _mm256_permutevar8x32_epi32(packed, index);
  if constexpr (kStream) _mm256_stream_si256(reinterpret_cast<__m256i*>(row + 8 * M), v);
  else Store8(row + 8 * M, v);
}

template <int B, bool kStream = false, int... M>
VESKAR_AVX2 inline void SpreadEight(__m256i packed, uint32_t* row, std::integer_sequence<int, M...>) {
  (SpreadEight<B, kStream, M>(packed, row), ...);
}

// Register n of the eight blocks' units (units 4n to 4n + 3) with the last row's added.
template <int B, int N>
VESKAR_AVX2 inline __m256i LastRowUnits(const uint32_t* src, const uint16_t* units) {
  if constexpr (B % 2 == 0) return _mm256_add_epi16(Load8(units + 16 * N), PairUnits(src + 8 * N));
  else return _mm256_add_epi16(Load8(units + 16 * N), ColumnUnits(src + 4 * N));
}

// The colours of four blocks (H: the first or the second four of eight), in 16 bits.
template <int B, int H, int... I>
VESKAR_AVX2 inline __m256i FourColours(const uint32_t* src, const uint16_t* units, std::integer_sequence<int, I...>) {
  constexpr int kUnits = sizeof...(I);
  const __m256i v[kUnits] = {LastRowUnits<B, H * kUnits + I>(src, units)...};
  const __m256i sums = FourBlockSums<kUnits>(v, std::make_integer_sequence<int, kUnits>{});
  return DivideBlocks16<B>(_mm256_add_epi16(sums, _mm256_set1_epi16(B * B / 2)));
}

// With `groups`, each eight blocks' packed colours go there instead, eight pixels' room per
// eight blocks, for the rows still to write (see AddColumnsSpreading).
template <int B>
VESKAR_AVX2 int OddUnits(const uint32_t* src, const uint16_t* units, uint32_t* row, int count, uint32_t* groups) {
  constexpr bool kPairs = B % 2 == 0;
  constexpr int kUnits = kPairs ? B / 2 : B;
  static_assert(kUnits % 2 == 1 && B <= 16);  // block sums below 255 * 256 + 128
  int x = 0;
  for (; x + 8 * B <= count; x += 8 * B) {
    const uint16_t* u = units + (kPairs ? 2 * x : 4 * x);
    const __m256i first = FourColours<B, 0>(src + x, u, std::make_integer_sequence<int, kUnits>{});
    const __m256i second = FourColours<B, 1>(src + x, u, std::make_integer_sequence<int, kUnits>{});
    const __m256i packed = _mm256_packus_epi16(first, second);
    if (groups) Store8(groups + x / B, packed);
    else SpreadEight<B>(packed, row + x, std::make_integer_sequence<int, B>{});
  }
  return x;
}

// Sides of 5 to 15 columns, the column sums being twice the bytes of the pixels: a row of
// colours beside them would leave the first-level cache. The rows still to write are made
// from the packed colours of each eight blocks instead (a register per 8 * B pixels), B
// registers out for each 2 * B pixels in; the destination's rows start on 32-byte
// boundaries. From 0 to the last whole eight blocks; returns where it stopped.
template <int B, bool kFirst>
VESKAR_AVX2 int AddColumnsSpreading(const uint32_t* src, uint16_t* units, const uint32_t* groups, uint32_t* late,
                                    int count) {
  static_assert(B % 2 == 1);
  int x = 0;
  for (; x + 8 * B <= count; x += 8 * B) {
    FetchAhead(src + x, 8 * B);
    for (int i = 0; i < 2 * B; ++i) AddUnits<kFirst>(units + 4 * x + 16 * i, ColumnUnits(src + x + 4 * i));
    SpreadEight<B, true>(Load8(groups + x / B), late + x, std::make_integer_sequence<int, B>{});
  }
  return x;
}

// The same with the column sums in 512-bit registers (AVX-512BW), eight pixels to one.
template <int B, bool kFirst>
VESKAR_AVX512 int AddColumnsSpreadingWide(const uint32_t* src, uint16_t* units, const uint32_t* groups,
                                          uint32_t* late, int count) {
  static_assert(B % 2 == 1);
  int x = 0;
  for (; x + 8 * B <= count; x += 8 * B) {
    FetchAhead(src + x, 8 * B);
    for (int i = 0; i < B; ++i) AddEightColumnsWide<kFirst>(src, units, x + 8 * i);
    SpreadEight<B, true>(Load8(groups + x / B), late + x, std::make_integer_sequence<int, B>{});
  }
  return x;
}

template <int B>
VESKAR_AVX2 void SpreadGroup(const uint32_t* group, uint32_t* late) {
  SpreadEight<B, true>(Load8(group), late, std::make_integer_sequence<int, B>{});
}

struct Spreading {
  int (*first)(const uint32_t* src, uint16_t* units, const uint32_t* groups, uint32_t* late, int count);
  int (*next)(const uint32_t* src, uint16_t* units, const uint32_t* groups, uint32_t* late, int count);
  void (*group)(const uint32_t* group, uint32_t* late);  // one group's eight blocks
};

template <int B>
constexpr Spreading kSpreading{AddColumnsSpreading<B, true>, AddColumnsSpreading<B, false>, SpreadGroup<B>};
template <int B>
constexpr Spreading kSpreadingWide{AddColumnsSpreadingWide<B, true>, AddColumnsSpreadingWide<B, false>,
                                   SpreadGroup<B>};

// A late row written from the groups, and past the last whole group from the row of colours.
VESKAR_AVX2 void WriteGroupedRow(const Spreading& spreading, const uint32_t* groups, const uint32_t* colours,
                                 uint32_t* dst, int width, int side) {
  int x = 0;
  for (; x + 8 * side <= width; x += 8 * side) spreading.group(groups + x / side, dst + x);
  if (x < width) WriteSegment(colours + x, dst + x, width - x, true);
}

const Spreading* SpreadingFor(int side, bool wide) {
  switch (side) {
    case 5: return wide ? &kSpreadingWide<5> : &kSpreading<5>;
    case 7: return wide ? &kSpreadingWide<7> : &kSpreading<7>;
    case 9: return wide ? &kSpreadingWide<9> : &kSpreading<9>;
    case 11: return wide ? &kSpreadingWide<11> : &kSpreading<11>;
    case 13: return wide ? &kSpreadingWide<13> : &kSpreading<13>;
    case 15: return wide ? &kSpreadingWide<15> : &kSpreading<15>;
    default: return nullptr;
  }
}

// Other sides, one block at a time: the units of each block added in registers (in 16
// bits while a block has at most 256 pixels: 255 * 256 + 128 < 65536; in 32 beyond),
// divided by multiply-and-shift, and the colour broadcast over the block's pixels. For
// the whole blocks of a whole block row in [x0, x1); the units and the row of colours have
// room for a register past their ends.
VESKAR_AVX2 inline __m256i KeepUnits(int n) {  // the first n (0-3) of four units
  const int64_t k0 = n > 0 ? -1 : 0, k1 = n > 1 ? -1 : 0, k2 = n > 2 ? -1 : 0;
  return _mm256_setr_epi64x(k0, k1, k2, 0);
}

VESKAR_AVX2 void WholeBlocks(const uint16_t* units, bool pairs, uint32_t* row, int x0, int x1, int side, int rows) {
  const int perBlock = pairs ? side / 2 : side;
  const int whole = perBlock & ~3;
  const __m256i keep = KeepUnits(perBlock - whole);
  const uint32_t area = static_cast<uint32_t>(side * rows);
  const __m256i zero = _mm256_setzero_si256();
  int bx = x0;
  if (area <= 256) {
    const detail::Reciprocal16 r = detail::ReciprocalFor16(side);  // area == side * side here
    const __m128i pre = _mm_cvtsi32_si128(r.pre), post = _mm_cvtsi32_si128(r.post);
    const __m256i half = _mm256_set1_epi16(static_cast<short>(area / 2));
    const __m256i mul = _mm256_set1_epi16(static_cast<short>(r.mul));
    for (; bx + side <= x1; bx += side) {
      const uint16_t* u = UnitsAt(const_cast<uint16_t*>(units), pairs, bx);
      __m256i sum = _mm256_and_si256(Load8(u + 4 * whole), keep);
      for (int i = 0; i < whole; i += 4) sum = _mm256_add_epi16(sum, Load8(u + 4 * i));
      sum = _mm256_add_epi16(sum, _mm256_permute2x128_si256(sum, sum, 1));
      sum = _mm256_add_epi16(sum, _mm256_srli_si256(sum, 8));
      __m256i q = _mm256_srl_epi16(_mm256_add_epi16(sum, half), pre);
      if (r.mul != 0) q = _mm256_srl_epi16(_mm256_mulhi_epu16(q, mul), post);
      const __m256i colour = _mm256_broadcastd_epi32(_mm256_castsi256_si128(_mm256_packus_epi16(q, q)));
      for (int i = 0; i < side; i += 8) Store8(row + bx + i, colour);
    }
  } else {
    const detail::Reciprocal32 r = detail::ReciprocalFor32(area);
    const __m128i half = _mm_set1_epi32(static_cast<int>(area / 2));
    const __m128i mul = _mm_set1_epi32(static_cast<int>(r.mul)), shift = _mm_cvtsi32_si128(r.shift);
    for (; bx + side <= x1; bx += side) {
      const uint16_t* u = UnitsAt(const_cast<uint16_t*>(units), pairs, bx);
      const __m256i last = _mm256_and_si256(Load8(u + 4 * whole), keep);
      __m256i sum = _mm256_add_epi32(_mm256_unpacklo_epi16(last, zero), _mm256_unpackhi_epi16(last, zero));
      for (int i = 0; i < whole; i += 4) {
        const __m256i v = Load8(u + 4 * i);
        sum = _mm256_add_epi32(sum, _mm256_add_epi32(_mm256_unpacklo_epi16(v, zero), _mm256_unpackhi_epi16(v, zero)));
      }
      const __m128i y = _mm_add_epi32(_mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1)), half);
      const __m128i even = _mm_srl_epi64(_mm_mul_epu32(y, mul), shift);
      const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(y, 32), mul), shift);
      const __m128i q = _mm_or_si128(even, _mm_slli_epi64(odd, 32));  // each lane < 256
      const __m128i q16 = _mm_packs_epi32(q, q);
      const __m256i colour = _mm256_broadcastd_epi32(_mm_packus_epi16(q16, q16));
      for (int i = 0; i < side; i += 8) Store8(row + bx + i, colour);
    }
  }
  // The block cut at the right edge.
  if (bx < x1) UnitColours(units, pairs, row, bx, x1, side, rows);
}

// ---- blocks wider than a register of sixteen pixels (AVX-512 VBMI): each row is summed
// across its blocks as it is read, into 64-bit sums per block, so nothing the size of the
// row is kept but the row of colours still to write. A register's bytes are put in channel
// order (its sixteen blue bytes, then green, red, alpha) and psadbw adds each eight: a
// block's sums are eight 64-bit lanes, 2c and 2c + 1 for channel c, folded into four when
// its block row is done. At most one block ends inside a register; its share is the
// masked sum.

// Output byte 16c + j is channel c of pixel j.
inline constexpr auto kChannelOrder = [] {
  std::array<uint8_t, 64> order{};
  for (int i = 0; i < 64; ++i) order[i] = static_cast<uint8_t>(4 * (i % 16) + i / 16);
  return order;
}();

VESKAR_VBMI inline void AddToBlock(__m512i acc, uint64_t* block) {
  _mm512_storeu_si512(block, _mm512_add_epi64(_mm512_loadu_si512(block), acc));
}

// Eight lanes per block to four channel sums, in place.
inline void FoldBlockSums(uint64_t* blocks, int count) {
  for (int k = 0; k < count; ++k) {
    const uint64_t* lanes = blocks + 8 * k;
    const uint64_t sums[4] = {lanes[0] + lanes[1], lanes[2] + lanes[3], lanes[4] + lanes[5], lanes[6] + lanes[7]};
    std::copy_n(sums, 4, blocks + 4 * k);
  }
}

// One source row into the block sums, sixteen pixels at a time, and the late row out in
// step when there is one.
template <bool kWrite>
VESKAR_VBMI void AddRowToBlocks(const uint32_t* src, int width, int side, uint64_t* blocks, Late late) {
  const __m512i order = _mm512_loadu_si512(kChannelOrder.data()), zero = _mm512_setzero_si512();
  __m512i acc = zero;
  int k = 0, next = side;  // the block being summed and where the next begins
  const int x = AddSixteens<kWrite>(src, width, late, [&](int at) VESKAR_VBMI {
    // (The masked form: GCC 12 warns of the undefined input of the plain one.)
    const __m512i v = _mm512_maskz_permutexvar_epi8(~uint64_t{0}, order, _mm512_loadu_si512(src + at));
    const __m512i all = _mm512_sad_epu8(v, zero);
    if (at + 16 > next) {  // block k ends at next - 1, inside this register
      const uint64_t before = (uint64_t{1} << (next - at)) - 1;
      const __m512i part = _mm512_sad_epu8(_mm512_maskz_mov_epi8(before * 0x0001000100010001ull, v), zero);
      AddToBlock(_mm512_add_epi64(acc, part), blocks + 8 * k);
      acc = _mm512_sub_epi64(all, part);
      ++k;
      next += side;
    } else {
      acc = _mm512_add_epi64(acc, all);
    }
  });
  AddToBlock(acc, blocks + 8 * k);
  for (int at = x; at < width; ++at) {
    uint64_t* block = blocks + 8 * (at / side);
    for (int c = 0; c < 4; ++c) block[2 * c] += (src[at] >> (8 * c)) & 0xFF;
  }
}

// The same in 256-bit registers of eight pixels (AVX2; AVX-512 without VBMI too), for
// blocks wider than eight: per 128-bit half, a byte shuffle puts its four pixels' bytes in
// channel order, and pmaddubsw and pmaddwd by ones add them into one 32-bit sum per
// channel; the block's share of a register is masked first. A block's sums are the usual
// four.
// The first n pixels of a register: loaded from 8 - n on.
alignas(32) inline constexpr int32_t kFirstPixels[16] = {-1, -1, -1, -1, -1, -1, -1, -1};

VESKAR_AVX2 inline __m256i ChannelSums(__m256i pixels) {
  const __m256i order = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,  //
                                         0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
  const __m256i pairs = _mm256_maddubs_epi16(_mm256_shuffle_epi8(pixels, order), _mm256_set1_epi8(1));
  return _mm256_madd_epi16(pairs, _mm256_set1_epi16(1));
}

VESKAR_AVX2 inline void AddToBlock4(__m256i acc, uint64_t* block) {
  const __m128i sums = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
  Store8(block, _mm256_add_epi64(Load8(block), _mm256_cvtepu32_epi64(sums)));
}

template <bool kWrite>
VESKAR_AVX2 void AddRowToBlocks8(const uint32_t* src, int width, int side, uint64_t* blocks, Late late) {
  __m256i acc = _mm256_setzero_si256();
  int k = 0, next = side;  // the block being summed and where the next begins
  auto eight = [&](int at) VESKAR_AVX2 {
    const __m256i pixels = Load8(src + at);
    if (at + 8 > next) {  // block k ends at next - 1, inside this register
      const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kFirstPixels + 8 - (next - at)));
      const __m256i part = ChannelSums(_mm256_and_si256(pixels, before));
      AddToBlock4(_mm256_add_epi32(acc, part), blocks + 4 * k);
      acc = ChannelSums(_mm256_andnot_si256(before, pixels));
      ++k;
      next += side;
    } else {
      acc = _mm256_add_epi32(acc, ChannelSums(pixels));
    }
  };
  const int x = AddSixteens<kWrite>(src, width, late, [&](int at) VESKAR_AVX2 {
    eight(at);
    eight(at + 8);
  });
  AddToBlock4(acc, blocks + 4 * k);
  for (int at = x; at < width; ++at) {
    uint64_t* block = blocks + 4 * (at / side);
    for (int c = 0; c < 4; ++c) block[c] += (src[at] >> (8 * c)) & 0xFF;
  }
}

// Adds one row into the block sums, writing the late row in step when it has one.
using AddRowTo = void (*)(const uint32_t* src, int width, int side, uint64_t* blocks, Late late);

struct BlockSumsWay {
  AddRowTo add;    // with the late row in step
  AddRowTo alone;  // without
  int lanes;       // 64-bit sums per block while a block row is summed (folded into 4)
};

VESKAR_AVX2 bool RenderBlockSums(ConstPixels src, Pixels dst, int width, int height, int side, Work work,
                                 bool stream, BlockSumsWay way) {
  const int blocks = (width + side - 1) / side;
  uint32_t* colours = work.row;  // this block row's
  uint32_t* ready = work.spare;  // the block row before's, its rows still to write
  uint32_t* pending = nullptr;   // their first one
  int pendingRows = 0;
  for (int y = 0; y < height; y += side) {
    const int rows = std::min(side, height - y);
    std::fill(work.blocks, work.blocks + way.lanes * blocks, uint64_t{0});  // (room for 4 per 2 pixels)
    for (int r = 0; r < rows; ++r) {
      const uint32_t* s = src.top + (y + r) * src.stride;
      uint32_t* late = r < pendingRows ? pending + r * dst.stride : nullptr;
      if (late && stream) {
        way.add(s, width, side, work.blocks, Late{ready, nullptr, late});
      } else {
        way.alone(s, width, side, work.blocks, Late{});
        if (late) WriteRow(ready, late, width, stream, nullptr);
      }
    }
    for (int r = rows; r < pendingRows; ++r) WriteRow(ready, pending + r * dst.stride, width, stream, nullptr);
    if (way.lanes == 8) FoldBlockSums(work.blocks, blocks);
    BlockSumColours(work.blocks, colours, width, side, rows);
    std::swap(colours, ready);
    pending = dst.top + y * dst.stride;
    pendingRows = rows;
  }
  for (int r = 0; r < pendingRows; ++r) WriteRow(ready, pending + r * dst.stride, width, stream, nullptr);
  if (stream) _mm_sfence();
  return true;
}

using Finish = int (*)(const uint32_t* src, const uint16_t* units, uint32_t* row, int count, uint32_t* groups);

Finish FinishFor(int side) {
  switch (side) {
    case 2: return Finish2<false>;
    case 3: return OddUnits<3>;
    case 4: return Finish4;
    case 5: return OddUnits<5>;
    case 6: return OddUnits<6>;
    case 7: return OddUnits<7>;
    case 8: return Finish8K<1>;
    case 9: return OddUnits<9>;
    case 10: return OddUnits<10>;
    case 11: return OddUnits<11>;
    case 13: return OddUnits<13>;
    case 14: return OddUnits<14>;
    case 15: return OddUnits<15>;
    case 16: return Finish8K<2>;
    default: return nullptr;  // 12 and beyond 16: one block at a time
  }
}

}  // namespace

bool Avx2Runs() {
  static const bool runs = CpuHasAvx2();
  return runs;
}

bool Avx512Runs() {
#if defined(__x86_64__)
  static const bool runs = CpuHasAvx512Bw();
  return runs;
#else
  return false;
#endif
}

VESKAR_AVX2 bool RenderAvx2(ConstPixels src, Pixels dst, int width, int height, int side, Work work, bool wide) {
  if (!Avx2Runs() || (wide && !Avx512Runs())) return false;
  const bool stream = size_t(width) * size_t(height) * 4 >= kStreamBytes;
  // Wide blocks summed across each row as it is read: blocks over 63 pixels (in 256-bit
  // registers only those of an odd side, whose column sums are twice the bytes of the
  // pixels), and in wider rows the odd ones from 33 (over 2048 pixels, with VBMI) or 17
  // (over 2730). The narrower ones keep the column sums, which cost less there than a
  // block's share of a register (measured at 1920, 2560 and 3840 pixels).
  const bool oddSide = side % 2 == 1;
  const bool vbmi = wide && Avx512VbmiRuns();
  const int oddFrom = width > kWideColumnsWidth ? 17 : width > kSpreadWidth ? 33 : 65;
  if (vbmi && (side > 63 || (oddSide && side >= oddFrom))) {
    return RenderBlockSums(src, dst, width, height, side, work, stream,
                           {AddRowToBlocks<true>, AddRowToBlocks<false>, 8});
  }
  if (!vbmi && oddSide && (side > 63 || (side > 16 && width > kWideColumnsWidth))) {
    return RenderBlockSums(src, dst, width, height, side, work, stream,
                           {AddRowToBlocks8<true>, AddRowToBlocks8<false>, 4});
  }
  // Sides of 5 to 15 columns in wide rows whose destination rows start on 32-byte
  // boundaries: rows written from the packed colours of each eight blocks (below). With no
  // row of colours to keep, the sides from 7 take 512-bit column sums at any width
  // (measured at 3440 and 3840 pixels: 4 to 10 % less time; blocks of 5 gain nothing).
  const bool aligned = stream && (reinterpret_cast<uintptr_t>(dst.top) & 31) == 0 && dst.stride % 8 == 0;
  const bool packed = aligned && oddSide && side >= 5 && side <= 15 && width > kSpreadWidth;
  const RowWay way{side % 2 == 0, wide && (width <= kWideColumnsWidth || (packed && side >= 7))};
  const int passRows = way.pairs ? kMaxPairRowsPerPass : kMaxRowsPerPass;
  const Finish finish = FinishFor(side);
  // Blocks of three are summed across each row first, up to a whole number of segments
  // (without VBMI, short of the row's last pixel, which the last segment reads).
  const int threesEnd = side != 3 ? 0 : vbmi ? width / kGrain * kGrain : (width - 1) / kGrain * kGrain;
  using ThreesRowFn = void (*)(const uint32_t*, uint16_t*, uint32_t*, int, Late);
  const std::array<ThreesRowFn, 3> threesRow =  // the block row's first, middle and last rows
      vbmi ? std::array<ThreesRowFn, 3>{ThreesRow<true, false>, ThreesRow<false, false>, ThreesRow<false, true>}
           : std::array<ThreesRowFn, 3>{ThreesRowAvx2<true, false>, ThreesRowAvx2<false, false>,
                                        ThreesRowAvx2<false, true>};
  // A whole block row's last source row goes in segments of whole blocks and whole
  // registers.
  const int segment = kGrain % side == 0 ? kGrain : side * 8;
  const int blocks = (width + side - 1) / side;
  // Each row of a block row is written while the same row of the next block row is read,
  // so that every source row read carries one destination row written, as in a copy.
  // Blocks of two: rows written from one colour per block where every row of the
  // destination starts on a 32-byte boundary.
  const bool halving = side == 2 && aligned;
  // Odd blocks kept in column sums, in rows up to 2048 pixels, take the rows before each
  // block row's last (an even number) two at a time, where the rows of the block row
  // before can go out two at a time as well: the column sums are then loaded and stored
  // once for two rows (AVX2 way at 1920 pixels: a sixth less time; the 512-bit sums gain
  // nothing and lose nothing). In wider rows it costs more: a fifth off the 32-byte
  // boundary for blocks of 5 to 15 (on it their colours are kept packed), and from 17 up
  // to 1.4 of a copy.
  const bool twoRows = !way.pairs && width <= kSpreadWidth && threesEnd == 0 &&
                       (!stream || dst.stride % 8 == 0);
  // The packed colours are kept in the same room (which a block row of them fills to a
  // fifth at most).
  const Spreading* const spreading = packed ? SpreadingFor(side, way.wide) : nullptr;
  uint32_t* colourHalves = work.halves;  // this block row's
  uint32_t* readyHalves = work.halves + ((width / 2 + 31) & ~15);
  bool readyHalved = false;   // whether the block row before took its colours in halves
  bool readyGrouped = false;  // or in groups of eight blocks
  uint32_t* colours = work.row;  // this block row's
  uint32_t* ready = work.spare;  // the block row before's, its rows still to write
  uint32_t* pending = nullptr;   // their first one
  int pendingRows = 0;
  // A row of the block row before, whole, when no source row goes with it.
  auto writeLateRow = [&](uint32_t* row) {
    if (readyGrouped) WriteGroupedRow(*spreading, readyHalves, ready, row, width, side);
    else WriteRow(ready, row, width, stream, readyHalved ? readyHalves : nullptr);
  };
  for (int y = 0; y < height; y += side) {
    const int rows = std::min(side, height - y);
    const bool tall = rows > passRows || int64_t{std::min(side, width)} * rows > kMax32Block;
    if (tall) std::fill(work.blocks, work.blocks + 4 * blocks, uint64_t{0});
    const bool segmented = !tall && rows == side;
    const bool halved = halving && segmented;
    const bool grouped = spreading && segmented;
    for (int r = 0; r < rows; ++r) {
      const uint32_t* s = src.top + (y + r) * src.stride;
      uint32_t* late = r < pendingRows ? pending + r * dst.stride : nullptr;
      const uint32_t* halves = late && readyHalved ? readyHalves : nullptr;
      const bool first = r % passRows == 0;
      const bool last = segmented && r == rows - 1;
      if (last && halved && late) {
        // Blocks of two: the whole row in step with the late row, as the other rows go.
        uint32_t* const out = colourHalves;
        const int x = AddSixteens<true>(s, width, Late{ready, halves, late},
                                        [=](int at) VESKAR_AVX2 { Finish2Sixteen<true>(s, work.units, out, at); });
        if (x < width) {
          AddRow(way, first, s + x, UnitsAt(work.units, true, x), width - x);
          WholeBlocks(work.units, true, colours, x, width, side, rows);
        }
        continue;
      }
      if (twoRows && segmented && r + 2 < rows) {
        // The block row before is whole (only the last is short), so its rows r and r + 1
        // are both late or neither is.
        uint32_t* const second = late ? late + dst.stride : nullptr;
        const Late both = stream ? Late{ready, nullptr, late, second} : Late{};
        AddTwoRows(way.wide, first, s, s + src.stride, work.units, width, both);
        if (late && !stream) {
          WriteRow(ready, late, width, false, nullptr);
          WriteRow(ready, second, width, false, nullptr);
        }
        ++r;
        continue;
      }
      if (segmented && threesEnd > 0) {
        // Below the column units of the rest of the row: 4 sums per 3 pixels.
        const Late three{ready, nullptr, late};
        threesRow[last ? 2 : first ? 0 : 1](s, work.units, colours, threesEnd, three);
      }
      if (last || (segmented && threesEnd > 0)) {
        for (int x = threesEnd; x < width; x += segment) {
          const int count = std::min(segment, width - x);
          FetchAhead(s + x, count);
          uint16_t* units = UnitsAt(work.units, way.pairs, x);
          if (last) {
            // The fast colours stop short only in the last segment, at a whole chunk.
            uint32_t* const groups = grouped ? colourHalves + x / side : nullptr;
            const int done = halved ? Finish2<true>(s + x, units, colourHalves + x / 2, count)
                           : finish ? finish(s + x, units, colours + x, count, groups)
                                    : 0;
            if (done < count) {
              AddRow(way, first, s + x + done, UnitsAt(units, way.pairs, done), count - done);
              WholeBlocks(work.units, way.pairs, colours, x + done, x + count, side, rows);
            }
          } else {
            AddRow(way, first, s + x, units, count);
          }
          if (late && readyGrouped && count == 8 * side) spreading->group(readyHalves + x / side, late + x);
          else if (late) WriteSegment(ready + x, late + x, count, stream, halves ? halves + x / 2 : nullptr);
        }
        continue;
      }
      if (late && readyGrouped) {
        const int x = (first ? spreading->first : spreading->next)(s, work.units, readyHalves, late, width);
        if (x < width) {
          AddRow(way, first, s + x, UnitsAt(work.units, false, x), width - x);
          WriteSegment(ready + x, late + x, width - x, stream);
        }
      } else if (late && stream) {
        const Late out{ready, halves, late};
        AddRow<true>(way, first, s, work.units, width, out);
      } else {
        AddRow(way, first, s, work.units, width);
        if (late) WriteRow(ready, late, width, stream, halves);
      }
      if (tall && (r + 1 == rows || (r + 1) % passRows == 0)) {
        AddUnitSums(work.units, way.pairs, width, side, work.blocks);
      }
    }
    for (int r = rows; r < pendingRows; ++r) writeLateRow(pending + r * dst.stride);
    if (tall) BlockSumColours(work.blocks, colours, width, side, rows);
    else if (!segmented) UnitColours(work.units, way.pairs, colours, 0, width, side, rows);
    std::swap(colours, ready);
    std::swap(colourHalves, readyHalves);
    readyHalved = halved;
    readyGrouped = grouped;
    pending = dst.top + y * dst.stride;
    pendingRows = rows;
  }
  for (int r = 0; r < pendingRows; ++r) writeLateRow(pending + r * dst.stride);
  if (stream) _mm_sfence();
  return true;
}

}  // namespace effects::ways

#else  // other compilers and processors keep to SSE2 or the plain loop

namespace effects::ways {
bool Avx2Runs() { return false; }
bool Avx512Runs() { return false; }
bool RenderAvx2(ConstPixels, Pixels, int, int, int, Work, bool) { return false; }
}  // namespace effects::ways

#endif
