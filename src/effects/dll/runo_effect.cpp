// Runo_Effect.dll: the show's effects library. Its one entry, GPX_Veskar, renders the
// picture selected into the source DC into the one selected into the destination DC at a
// pixelation level (see effects/pixelate.h for what a level means).
//
// When both pictures are 32-bit DIB sections (the show's surfaces are) the kernel works on
// their bits in place, with no copy. Any other bitmap (a device-dependent bitmap, another
// depth) goes through GetDIBits/SetDIBits and a 32-bit copy of the whole bitmap. Pictures
// of different sizes are rendered over their common top-left part; the rest of the
// destination is left as it was.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "effects/pixelate.h"

namespace {

// The bitmap selected into a DC, as the kernel needs it.
struct Picture {
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
  uint32_t* top = nullptr;  // set when the bits can be used in place
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
  if (got == static_cast<int>(sizeof ds)) {
    out.width = ds.dsBm.bmWidth;
    out.height = ds.dsBm.bmHeight;
    const bool usable = ds.dsBm.bmBits && ds.dsBm.bmBitsPixel == 32 &&
                        (ds.dsBmih.biCompression == BI_RGB ||
                         (ds.dsBmih.biCompression == BI_BITFIELDS && StandardMasks(ds)));
    if (usable && ds.dsBm.bmWidthBytes == out.width * 4) {
      auto* bits = static_cast<uint32_t*>(ds.dsBm.bmBits);
      if (ds.dsBmih.biHeight < 0) {  // top-down
        out.top = bits;
        out.stride = out.width;
      } else {  // bottom-up: the top row is the last in memory
        out.top = bits + static_cast<ptrdiff_t>(out.height - 1) * out.width;
        out.stride = -static_cast<ptrdiff_t>(out.width);
      }
    }
  } else if (got >= static_cast<int>(sizeof(BITMAP))) {
    out.width = ds.dsBm.bmWidth;
    out.height = ds.dsBm.bmHeight;
  } else {
    return false;
  }
  return out.width > 0 && out.height > 0;
}

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  return bmi;
}

// A 32-bit copy of a bitmap the kernel cannot use in place.
bool ReadCopy(HDC dc, const Picture& p, std::vector<uint32_t>& buffer) {
  buffer.resize(static_cast<size_t>(p.width) * static_cast<size_t>(p.height));
  BITMAPINFO bmi = TopDown32(p.width, p.height);
  return GetDIBits(dc, p.bitmap, 0, static_cast<UINT>(p.height), buffer.data(), &bmi, DIB_RGB_COLORS) ==
         p.height;
}

// The library keeps its working memory between calls: frames of one size allocate
// nothing after the first. The lock keeps two callers on different threads apart.
SRWLOCK g_lock = SRWLOCK_INIT;
effects::Scratch g_scratch;
std::vector<uint32_t> g_sourceCopy;
std::vector<uint32_t> g_destinationCopy;

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
  BITMAPINFO bmi = TopDown32(dst.width, dst.height);
  return SetDIBits(destination, dst.bitmap, 0, static_cast<UINT>(dst.height), g_destinationCopy.data(), &bmi,
                   DIB_RGB_COLORS) == dst.height;
}

}  // namespace

// The four 32-bit arguments in their order; the callee removes them (__stdcall). The
// result is also stored through `result` when the caller gives one.
//
// Runo_Effect.def exports the entry undecorated. A __stdcall function's symbol is
// _GPX_Veskar@16 on 32-bit x86, which the linker would only match to the .def's name
// with a warning; the assembler name below gives the symbol the plain name instead.
#if defined(__i386__)
#define VESKAR_PLAIN_SYMBOL(name) __asm__("_" #name)
#else
#define VESKAR_PLAIN_SYMBOL(name) __asm__(#name)
#endif
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
