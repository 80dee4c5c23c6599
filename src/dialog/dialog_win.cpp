// Configure mode: the settings dialog, shown until it is closed.
#include "app/modes_win.h"
#include "dialog/settings_dialog_win.h"
#include "settings/file_port_win.h"

namespace app {

int RunSettingsDialog(Session& session) {
  settings::Win32Files files;
  dialog::SettingsDialog dialog(session, dialog::Platform::Real(files));
  if (!dialog.Load()) return 0;
  return dialog.RunModal();
}

}  // namespace app
