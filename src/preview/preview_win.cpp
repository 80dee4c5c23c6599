// Preview mode: the preview window inside the caller's window, for as long as it lives.
#include "app/modes_win.h"
#include "preview/preview_window_win.h"
#include "win/picture.h"
#include "win/pump.h"

namespace app {

int RunPreview(Session&, HWND parent) {
  // A handle that names no window (0, text that is no number, a window already gone)
  // ends the process at once: a preview with nowhere to go would never be closed.
  preview::PreviewWindow window;
  if (!window.open(parent, win::LoadSampleDesktop(win::ThisModule()))) return 0;
  win::RunMessageLoop();  // until the window is gone, or a WM_QUIT from anyone
  return 0;
}

}  // namespace app
