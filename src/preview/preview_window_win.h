// The preview window Veskar_R: a borderless light-grey window whose one picture, the
// sample desktop, is stretched over the whole of the caller's window. It becomes that
// window's child; when it is destroyed (closed by the caller, or destroyed with the
// caller's window) it ends the thread's message loop.
#pragma once
#include <windows.h>

#include "win/handle.h"
#include "win/picture.h"
#include "win/window.h"

namespace preview {

inline constexpr wchar_t kPreviewClass[] = L"Veskar_R";
inline constexpr wchar_t kPreviewCaption[] = L"Preview Window";

class PreviewWindow : public win::Window {
 public:
  // Creates the window, makes it a child of `parent` filling its client area and shows
  // it with `picture`. False (and no window) when `parent` names no window or is gone
  // before the window could join it.
  bool open(HWND parent, win::UniqueBitmap picture);

  // The window's one image: its picture stretched over the whole window.
  win::StretchedPicture Img_Prev;

 protected:
  LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace preview
