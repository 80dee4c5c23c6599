// Runo_Effect.dll: the show's effects library. Its one entry, GPX_Veskar, renders the
// picture selected into the source DC into the one selected into the destination DC at a
// pixelation level (see effects/pixelate.h for what a level means).
//
// When both pictures are 32-bit DIB sections (the show's surfaces are) the kernel works on
// their bits in place, with no copy, once it knows which way up their rows lie. That is
// found out once per bitmap; a picture that reads alike both ways up has one pixel of its
// top row rewritten for a moment and put back before the call returns. Any other bitmap
// (a device-dependent bitmap, another depth) goes through GetDIBits/SetDIBits and a 32-bit
// copy of the whole bitmap. Pictures of different sizes are rendered over their common
// top-left part; the rest of the destination is left as it was.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "effects/dll/plain_symbol_win.h"
#include "effects/pixelate.h"
#include "effects/row_orders.h"

namespace {

// The bitmap selected into a DC, as the kernel needs it.
struct Picture {
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
  uint32_t* bits = nullptr;  // a 32-bit DIB section's rows, in memory order
  uint32_t* top = nullptr;   // its top row once known which way up the rows lie
  ptrdiff_t stride = 0;
};

bool StandardMasks(const DIBSECTION& ds) {
  return ds.dsBitfields[0] == 0xFF0000 && ds.dsBitfields[1] == 0xFF00 && ds.dsBitfields[2] == 0xFF;
}

bool Describe(HDC dc, Picture& out) {
  out = {};
  if (!dc) return false;
  out.bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
  if (!out.bitmap) return false;
  DIBSECTION ds{};
  const int got = GetObjectW(out.bitmap, sizeof ds, &ds);
  if (got < static_cast<int>(sizeof(BITMAP))) return false;
  out.width = ds.dsBm.bmWidth;
  out.height = ds.dsBm.bmHeight;
  const bool dib32 = got == static_cast<int>(sizeof ds) && ds.dsBm.bmBits && ds.dsBm.bmBitsPixel == 32 &&
                     ds.dsBm.bmWidthBytes == out.width * 4 &&
                     (ds.dsBmih.biCompression == BI_RGB ||
                      (ds.dsBmih.biCompression == BI_BITFIELDS && StandardMasks(ds)));
  if (dib32) out.bits = static_cast<uint32_t*>(ds.dsBm.bmBits);
  return out.width > 0 && out.height > 0;
}

void SetTopRow(Picture& p, bool topDown) {
  p.top = topDown ? p.bits : p.bits + static_cast<ptrdiff_t>(p.height - 1) * p.width;
  p.stride = topDown ? p.width : -static_cast<ptrdiff_t>(p.width);
}

BITMAPINFO Rows32(int width, int height) {  // height < 0: top-down
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  return bmi;
}

// The library keeps its working memory between calls: frames of one size allocate
// nothing after the first. The lock keeps two callers on different threads apart.
SRWLOCK g_lock = SRWLOCK_INIT;
effects::Scratch g_scratch;
std::vector<uint32_t> g_row;
std::vector<uint32_t> g_probe;
std::vector<uint32_t> g_sourceCopy;
std::vector<uint32_t> g_destinationCopy;

constexpr uint32_t kRgb = 0xFFFFFF;

// Which way up a DIB section's rows lie. GetObject reports the height positive both ways,
// so we find a pixel whose memory row differs from the mirrored row and ask GDI for that
// pixel's row as seen from the top (scan lines count from the bottom). Either: the picture
// reads the same both ways up; Unknown: GDI did not tell.
enum class Order { TopDown, BottomUp, Either, Unknown };
Order RowOrder(HDC dc, const Picture& p, std::vector<uint32_t>& row) {
  const int w = p.width, h = p.height;
  const size_t rowBytes = static_cast<size_t>(w) * 4;
  for (int y = 0; y < h / 2; ++y) {
    const uint32_t* a = p.bits + static_cast<ptrdiff_t>(y) * w;
    const uint32_t* b = p.bits + static_cast<ptrdiff_t>(h - 1 - y) * w;
    if (std::memcmp(a, b, rowBytes) == 0) continue;
    for (int x = 0; x < w; ++x) {
      if (((a[x] ^ b[x]) & kRgb) == 0) continue;
      row.resize(static_cast<size_t>(w));
      BITMAPINFO bmi = Rows32(w, h);
      if (GetDIBits(dc, p.bitmap, static_cast<UINT>(h - 1 - y), 1, row.data(), &bmi, DIB_RGB_COLORS) != 1) {
        return Order::Unknown;
      }
      if (((row[x] ^ a[x]) & kRgb) == 0) return Order::TopDown;
      if (((row[x] ^ b[x]) & kRgb) == 0) return Order::BottomUp;
      return Order::Unknown;
    }
  }
  return Order::Either;
}

// The same for a picture that reads alike both ways up: its top row is written through
// GDI with the first pixel changed, the memory row that changed is the top one, and both
// candidate rows are then put back as they were, byte for byte.
Order ProbeRowOrder(HDC dc, const Picture& p, std::vector<uint32_t>& saved) {
  const int w = p.width, h = p.height;
  uint32_t* first = p.bits;
  uint32_t* last = p.bits + static_cast<ptrdiff_t>(h - 1) * w;
  saved.assign(first, first + w);
  saved.insert(saved.end(), last, last + w);
  std::vector<uint32_t>& probe = g_probe;
  probe.assign(first, first + w);
  probe[0] = first[0] ^ 0x808080;
  BITMAPINFO bmi = Rows32(w, h);
  const bool written =
      SetDIBits(dc, p.bitmap, static_cast<UINT>(h - 1), 1, probe.data(), &bmi, DIB_RGB_COLORS) == 1;
  GdiFlush();
  Order order = Order::Unknown;
  if (written && ((first[0] ^ probe[0]) & kRgb) == 0) order = Order::TopDown;
  if (written && ((last[0] ^ probe[0]) & kRgb) == 0) order = Order::BottomUp;
  std::memcpy(first, saved.data(), static_cast<size_t>(w) * 4);
  std::memcpy(last, saved.data() + w, static_cast<size_t>(w) * 4);
  return order;
}

// A 32-bit copy of a bitmap the kernel cannot use in place. A bitmap of few bits per pixel
// can hold more pixels than a 32-bit copy can describe (a 65536 x 65537 monochrome one is
// 512 MiB, its copy 16 GiB): GDI gives a DIB's size in 32 bits, and in a 32-bit process the
// pixel count would wrap in size_t and the copy overrun a short buffer. Such a picture is
// refused, in either build.
bool ReadCopy(HDC dc, const Picture& p, std::vector<uint32_t>& buffer) {
  constexpr uint64_t kLargestCopyBytes = 0xFFFFFFFFu;
  const uint64_t pixels = static_cast<uint64_t>(p.width) * static_cast<uint64_t>(p.height);
  if (pixels * 4 > kLargestCopyBytes || pixels > buffer.max_size()) return false;
  buffer.resize(static_cast<size_t>(pixels));
  BITMAPINFO bmi = Rows32(p.width, -p.height);
  return GetDIBits(dc, p.bitmap, 0, static_cast<UINT>(p.height), buffer.data(), &bmi, DIB_RGB_COLORS) ==
         p.height;
}

// A DIB section's row order never changes: it is found once per picture and kept while
// the picture lives (effects/row_orders.h), for every monitor of a desk of any size.
effects::RowOrders g_known;

effects::RowOrders::Picture KeyOf(const Picture& p) { return {p.bitmap, p.bits, p.width, p.height}; }

// Whether a picture kept earlier is still that DIB section.
bool StillThere(const effects::RowOrders::Picture& kept) {
  DIBSECTION ds{};
  const HBITMAP bitmap = static_cast<HBITMAP>(const_cast<void*>(kept.bitmap));
  return GetObjectW(bitmap, sizeof ds, &ds) == static_cast<int>(sizeof ds) && ds.dsBm.bmBits == kept.bits &&
         ds.dsBm.bmWidth == kept.width && ds.dsBm.bmHeight == kept.height;
}

// Sets the picture's top row from what is known or can be found out; false if neither.
bool FindTopRow(HDC dc, Picture& p) {
  if (const std::optional<bool> topDown = g_known.Find(KeyOf(p))) {
    SetTopRow(p, *topDown);
    return true;
  }
  Order order = RowOrder(dc, p, g_row);
  if (order == Order::Either && p.height > 1) order = ProbeRowOrder(dc, p, g_row);
  if (order == Order::Unknown) return false;
  SetTopRow(p, order != Order::BottomUp);
  if (order != Order::Either) {
    try {
      g_known.Remember(KeyOf(p), order == Order::TopDown, StillThere);
    } catch (const std::bad_alloc&) {  // not kept: found again next time
    }
  }
  return true;
}

class Locked {
 public:
  Locked() { AcquireSRWLockExclusive(&g_lock); }
  ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

BOOL Render(HDC destination, HDC source, int32_t level) {
  Picture dst, src;
  if (!Describe(destination, dst) || !Describe(source, src)) return FALSE;
  const int width = std::min(dst.width, src.width);
  const int height = std::min(dst.height, src.height);

  GdiFlush();  // drawing still queued for these bitmaps lands before we touch the bits
  Locked lock;
  if (src.bits) FindTopRow(source, src);
  if (dst.bits) FindTopRow(destination, dst);

  effects::ConstPixels in{src.top, src.stride};
  if (!src.top) {
    if (!ReadCopy(source, src, g_sourceCopy)) return FALSE;
    in = {g_sourceCopy.data(), src.width};
  }
  if (dst.top) {
    effects::Pixelate(in, {dst.top, dst.stride}, width, height, level, g_scratch);
    return TRUE;
  }
  // The destination is written back whole, so its part outside the source stays as it was.
  if (!ReadCopy(destination, dst, g_destinationCopy)) return FALSE;
  effects::Pixelate(in, {g_destinationCopy.data(), dst.width}, width, height, level, g_scratch);
  BITMAPINFO bmi = Rows32(dst.width, -dst.height);
  return SetDIBits(destination, dst.bitmap, 0, static_cast<UINT>(dst.height), g_destinationCopy.data(), &bmi,
                   DIB_RGB_COLORS) == dst.height;
}

}  // namespace

// The four 32-bit arguments in their order; the callee removes them (__stdcall). The
// result is also stored through `result` when the caller gives one.
extern "C" int32_t __stdcall GPX_Veskar(HDC destination, HDC source, int32_t level, int32_t* result)
    VESKAR_PLAIN_SYMBOL(GPX_Veskar);

extern "C" int32_t __stdcall GPX_Veskar(HDC destination, HDC source, int32_t level, int32_t* result) {
  BOOL ok = FALSE;
  try {
    ok = Render(destination, source, level);
  } catch (...) {  // nothing may unwind into the caller: a failed allocation is a failed call
    ok = FALSE;
  }
  if (result) *result = ok;
  return ok;
}
