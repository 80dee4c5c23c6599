// Main: the single-instance test, the mode letter, the settings, and the one window this
// process opens.
#include <windows.h>

#include <cstdint>
#include <utility>

#include "app/mode.h"
#include "app/modes_win.h"
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
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  StartUp start = ReadCommandLine(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  session.ArgumentString = std::move(start.arguments);
  session.programFolder = win::ProgramFolder();
  const Plan& plan = start.plan;

  if (plan.mode == Mode::Preview) {
    // Only the low 32 bits of a window handle count, and hosts print them unsigned: the
    // value is zero-extended in a 64-bit process, so a handle with its top bit set names
    // the same window as in a 32-bit one.
    const HWND parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(plan.parentHandle));
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
