// The desk as Windows reports it: the virtual screen and every monitor's rectangle in
// physical pixels (the process is per-monitor DPI aware).
#pragma once
#include <functional>

#include "show/desk.h"

namespace show {

// Reads the monitors (EnumDisplayMonitors / GetMonitorInfoW, the primary first) and the
// virtual screen, and lays the show over them.
DeskLayout ReadDesk();

// Where the show learns the desk: ReadDesk, or a scripted desk in the shell tests.
using DeskReader = std::function<DeskLayout()>;

}  // namespace show
