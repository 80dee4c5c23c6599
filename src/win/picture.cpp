// Stored pictures: the program's sample desktop, and the plain stretch it is drawn with.
#include "win/picture.h"

#include <utility>

#include "../../assets/resource.h"

namespace win {

void StretchedPicture::setPicture(UniqueBitmap picture) {
  picture_ = std::move(picture);
  size_ = SIZE{};
  BITMAP info{};
  if (picture_ && GetObjectW(picture_.get(), sizeof info, &info)) size_ = SIZE{info.bmWidth, info.bmHeight};
}

void StretchedPicture::place(int left, int top, int width, int height) {
  place_ = RECT{left, top, left + width, top + height};
}

// The plain stretch (COLORONCOLOR, nearest pixel): the sample desktop is made of square
// blocks, and a plain stretch keeps their edges sharp and their colours exactly the stored
// ones at every size, where a smoothing stretch would blur the block edges into ramps and
// invent colours the picture does not have.
void StretchedPicture::paint(HDC target) const {
  if (!picture_ || size_.cx <= 0 || size_.cy <= 0) return;
  UniqueMemDc source(CreateCompatibleDC(target));
  if (!source) return;
  Selected selected(source.get(), picture_.get());
  SetStretchBltMode(target, COLORONCOLOR);
  StretchBlt(target, place_.left, place_.top, place_.right - place_.left, place_.bottom - place_.top,
             source.get(), 0, 0, size_.cx, size_.cy, SRCCOPY);
}

UniqueBitmap LoadSampleDesktop(HMODULE module) {
  return UniqueBitmap(static_cast<HBITMAP>(
      LoadImageW(module, MAKEINTRESOURCEW(IDB_PREVIEW), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

}  // namespace win
