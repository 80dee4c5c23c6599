// A capture that shows nothing: on the secure screen-saver desktop (the "display logon
// screen on resume" setting) the desktop holds no windows, and a failed copy leaves the
// picture black. Then the show uses the user's wallpaper, or failing that the sample
// desktop that the preview shows, instead of pixelating one colour for ever. Which
// monitors get it is the desk's rule (FallBackMonitors).
#pragma once
#include <windows.h>

#include "win/surface.h"

namespace show {

// Draws into `master` the desktop wallpaper (scaled to cover it with its aspect kept, cut
// about its centre) or, when there is none or it cannot be read, the sample desktop among
// the resources of `resources`, stretched over it. When neither can be drawn the picture
// is left all of the colour of its first pixel, as the blank capture was.
void DrawBlankCapturePicture(win::Surface& master, HMODULE resources);

}  // namespace show
