// The program's entry point.
#include <windows.h>

#include "app/modes_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return app::Main(); }
