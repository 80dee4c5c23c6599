// The three windows Main can open. Each runs until its process is done and returns the
// exit code (the show ends the process itself).
#pragma once
#include <windows.h>

#include "app/session.h"

namespace app {

int Main();
int RunPreview(Session& session, HWND parent);
int RunSettingsDialog(Session& session);
int RunShow(Session& session);

}  // namespace app
