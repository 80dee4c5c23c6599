// The shell tests' names for the shared picture helpers of tests/support.
#pragma once
#include "support/pixels.h"

namespace testpix {

using testing_support::Pixels;
using testing_support::SaveBmp;
using testing_support::TopDown32;
inline Pixels OfBitmap(HBITMAP bitmap, int* bitsPerPixel = nullptr) {
  return testing_support::BitmapPixels(bitmap, bitsPerPixel);
}
inline Pixels OfScreen(const RECT& area) { return testing_support::CaptureScreen(area); }

}  // namespace testpix
