// A capture that shows nothing: on the secure screen-saver desktop (the "display logon
// screen on resume" setting) the desktop holds no windows, and a failed copy leaves the
// picture black. Then the show uses the user's wallpaper, or failing that the sample
// desktop that the preview shows, instead of pixelating one colour for ever.
#pragma once
#include <windows.h>

#include "win/surface.h"

namespace show {

enum class CapturePicture { Captured, Wallpaper, SampleDesktop };

// When every pixel of `master` has one colour, draws into it the desktop wallpaper (scaled
// to cover it with its aspect kept, cut about its centre) or, when there is none or it
// cannot be read, the sample desktop among the resources of `resources`, stretched over
// it. A picture with two different pixels is left as it is. Says what `master` holds.
CapturePicture FillBlankCapture(win::Surface& master, HMODULE resources);

// The picture file at `path` (any format the Windows Imaging Component reads: BMP, PNG,
// JPEG, ...), scaled to cover `target` and cut about its centre. False when the file
// cannot be read; `target` may then hold part of a picture.
bool DrawWallpaper(win::Surface& target, const wchar_t* path);

}  // namespace show
