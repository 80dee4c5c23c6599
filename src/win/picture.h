// A stored picture stretched over a rectangle: the sample desktop as the preview shows it
// in the caller's pane, and as the show shows it in place of a capture that shows nothing.
#pragma once
#include <windows.h>

#include "win/handle.h"

namespace win {

class StretchedPicture {
 public:
  void setPicture(UniqueBitmap picture);
  void place(int left, int top, int width, int height);
  // Nothing is drawn without a picture.
  void paint(HDC target) const;

 private:
  UniqueBitmap picture_;
  SIZE size_{};
  RECT place_{};
};

// The sample desktop among the resources of `module` (a desktop already in coarse square
// blocks); empty when it is missing.
UniqueBitmap LoadSampleDesktop(HMODULE module);

}  // namespace win
