// Main: the single-instance test, the mode letter, the settings, and the one window this
// process opens.
#include <windows.h>

#include <cstdint>

#include "app/mode.h"
#include "app/modes.h"
#include "settings/file_port_win.h"
#include "win/module.h"
#include "win/strings.h"

namespace app {

int Main() {
  // A running show or an open settings dialog blocks every start, before the arguments
  // are even looked at.
  if (FindWindowW(nullptr, win::widen(kShowTitle).c_str()) ||
      FindWindowW(nullptr, win::widen(kDialogTitle).c_str())) {
    return 0;
  }

  Session session;
  session.ArgumentString = ArgumentsOf(win::narrow(GetCommandLineW()));
  session.programFolder = win::ProgramFolder();
  const Plan plan = DecideMode(session.ArgumentString);

  if (plan.mode == Mode::Preview) {
    // Handles are 32-bit values, sign-extended in a 64-bit process.
    const HWND parent = reinterpret_cast<HWND>(static_cast<intptr_t>(plan.parentHandle));
    return RunPreview(session, parent);
  }

  settings::Win32Files files;
  session.settings = settings::LoadSettings(files, session.programFolder);

  switch (plan.mode) {
    case Mode::Configure:
      return RunSettingsDialog(session);
    case Mode::Show:
      if (plan.hideCursor) session.CursorCount = ShowCursor(FALSE);
      return RunShow(session);
    default:
      return 0;
  }
}

}  // namespace app
