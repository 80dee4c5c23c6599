// Configure mode: the settings dialog, shown until it is closed.
#include "app/modes_win.h"
#include "dialog/settings_dialog_win.h"
#include "settings/file_port_win.h"
#include "win/com.h"

namespace app {

int RunSettingsDialog(Session& session) {
  // A screen reader is another process: the dialog's answers to WM_GETOBJECT reach it
  // through COM marshalling, which wants this thread in an apartment, whatever the input
  // method or the text services may have done. OLE's, not only COM's: the file chooser's
  // shell view is a drop target and copies files through OLE's clipboard. It outlives the
  // dialog (declared first), and the dialog works without it when it cannot start.
  const win::OleApartment apartment;
  settings::Win32Files files;
  dialog::SettingsDialog dialog(session, dialog::Platform::Real(files));
  if (!dialog.Load()) return 0;
  return dialog.RunModal();
}

}  // namespace app
