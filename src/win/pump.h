// Processing of pending window events from inside a running handler.
#pragma once

namespace win {

// Dispatches every message that is waiting and returns. A WM_QUIT found on the way is
// put back and the result is false.
bool PumpPendingMessages();

// The usual message loop; returns the WM_QUIT exit code.
int RunMessageLoop();

}  // namespace win
