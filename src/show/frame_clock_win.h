// The show's waits on Windows: the compositor's next frame (DwmFlush) where desktop
// composition is on, else a high-resolution waitable timer. Every wait hands the window's
// messages to the show as they come, so input and the music timers are handled while it
// waits, not after.
#pragma once
#include <windows.h>

#include "show/pacing.h"
#include "win/handle.h"

namespace show {

// Whoever handles the messages that arrive during a wait (the show window).
class MessagePump {
 public:
  virtual void PumpMessages() = 0;

 protected:
  ~MessagePump() = default;
};

class WinFrameClock final : public FrameClock {
 public:
  explicit WinFrameClock(MessagePump& pump);
  ~WinFrameClock() override;
  WinFrameClock(const WinFrameClock&) = delete;
  WinFrameClock& operator=(const WinFrameClock&) = delete;

  Nanos Now() override;
  bool WaitForCompositor() override;
  void WaitUntil(Nanos due) override;
  // Sleeps until a message comes, then hands over what is queued (while the display is
  // off nothing else is waited for).
  void WaitForMessages();

  // The primary display's refresh rate as Windows reports it (0 when it does not say).
  static int RefreshRate();
  static bool CompositionOn();

 private:
  MessagePump& pump_;
  win::UniqueHandle timer_;
  LARGE_INTEGER frequency_{};
  bool finerSchedulerTicks_ = false;  // timeBeginPeriod(1) is in force and must be ended
};

}  // namespace show
