// The show's picture when its capture shows nothing: the wallpaper through the Windows
// Imaging Component (one pass, decoded, converted, cut and scaled straight into the
// picture's bits), else the preview's sample desktop stretched over the screen.
#include "show/fallback_picture_win.h"

#include <wincodec.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <utility>

#include "show/picture_fit.h"
#include "win/com.h"
#include "win/picture.h"

namespace show {

namespace {

// The sample desktop as the preview draws it: a plain stretch keeps its square blocks'
// edges sharp and their colours the stored ones.
bool DrawSampleDesktop(win::Surface& target, HMODULE resources) {
  win::UniqueBitmap picture = win::LoadSampleDesktop(resources);
  if (!picture) return false;
  win::StretchedPicture image;
  image.setPicture(std::move(picture));
  image.place(0, 0, target.width(), target.height());
  image.paint(target.dc());
  return true;
}

// The picture file at `path` (any format the Windows Imaging Component reads: BMP, PNG,
// JPEG, ...), scaled to cover `target` and cut about its centre. False when the file
// cannot be read; `target` may then hold part of a picture. The caller has flushed GDI,
// so nothing batched is still to be drawn into the bits while WIC writes them.
bool DrawWallpaper(win::Surface& target, const wchar_t* path) {
  if (target.empty() || path == nullptr || path[0] == L'\0') return false;
  const uint64_t rowBytes = uint64_t(target.stride()) * sizeof(uint32_t);
  const uint64_t totalBytes = rowBytes * uint64_t(target.height());
  if (totalBytes > UINT_MAX) return false;  // CopyPixels counts bytes in a UINT

  // The apartment outlives every interface below (they are declared after it).
  const win::ComApartment com;
  if (!com.usable()) return false;
  win::Com<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.putVoid())))
    return false;
  win::Com<IWICBitmapDecoder> decoder;
  win::Com<IWICBitmapFrameDecode> frame;
  win::Com<IWICFormatConverter> converter;
  if (FAILED(factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                   0.0, WICBitmapPaletteTypeCustom)))
    return false;

  UINT width = 0, height = 0;
  if (FAILED(converter->GetSize(&width, &height)) || width > INT_MAX || height > INT_MAX) return false;
  const SourceRect cut = CoverCrop(int(width), int(height), target.width(), target.height());
  if (cut.empty()) return false;
  const WICRect clip{cut.left, cut.top, cut.width, cut.height};
  win::Com<IWICBitmapClipper> clipper;
  win::Com<IWICBitmapScaler> scaler;
  if (FAILED(factory->CreateBitmapClipper(clipper.put())) || FAILED(clipper->Initialize(converter.get(), &clip)) ||
      FAILED(factory->CreateBitmapScaler(scaler.put())) ||
      FAILED(scaler->Initialize(clipper.get(), UINT(target.width()), UINT(target.height()),
                                WICBitmapInterpolationModeFant)))
    return false;

  return SUCCEEDED(scaler->CopyPixels(nullptr, UINT(rowBytes), UINT(totalBytes),
                                      reinterpret_cast<BYTE*>(target.bits())));
}

}  // namespace

void DrawBlankCapturePicture(win::Surface& master, HMODULE resources) {
  if (master.empty()) return;  // no picture to draw into
  GdiFlush();  // the capture's copy may still be batched; its bits are read directly
  const uint32_t colour = master.bits()[0];
  // Windows keeps the path of the wallpaper's file, or "" for none (a plain colour).
  wchar_t path[1024] = {};
  if (SystemParametersInfoW(SPI_GETDESKWALLPAPER, UINT(std::size(path)), path, 0)) {
    path[std::size(path) - 1] = L'\0';
    if (DrawWallpaper(master, path)) return;
  }
  if (DrawSampleDesktop(master, resources)) {
    GdiFlush();
    return;
  }
  // A wallpaper that failed half way may have left part of itself: the capture it was.
  std::fill_n(master.bits(), size_t(master.stride()) * size_t(master.height()), colour);
}

}  // namespace show
