// The show window Veskar_S: it covers every monitor of the desk, shows the desktop captured
// when it loaded, and runs the pixelation loop from Timer3's first tick until a click, a key
// or a close ends the process.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "music/player.h"
#include "music/ports_win.h"
#include "show/cycle.h"
#include "show/desk.h"
#include "show/desk_win.h"
#include "show/effect_library_win.h"
#include "show/frame_clock_win.h"
#include "show/pacing.h"
#include "show/show_music.h"
#include "win/handle.h"
#include "win/surface.h"
#include "win/timer.h"
#include "win/window.h"

namespace show {

// The music player and the show window's music timers, as the show's music rules see them.
class PlayerPort final : public MusicPort {
 public:
  PlayerPort(music::Player& player, win::Timer& timer1, win::Timer& timer2)
      : player_(player), timer1_(timer1), timer2_(timer2) {}
  void OpenCdMusic() override { player_.OpenCdMusic(); }
  void PollCdMusic() override { player_.PollCdMusic(); }
  bool CdPollActive() override { return player_.CdPollActive(); }
  void StopCdMusic() override { player_.StopCdMusic(); }
  void StartMp3Music() override { player_.StartMp3Music(); }
  void CheckMp3Repeat() override { player_.CheckMp3Repeat(); }
  void StopMp3Music() override { player_.StopMp3Music(); }
  void StartWavMusic() override { player_.StartWavMusic(); }
  void StopWavMusic() override { player_.StopWavMusic(); }
  void SetTimer1(bool on) override { timer1_.setEnabled(on); }
  void SetTimer2(bool on) override { timer2_.setEnabled(on); }
  bool Timer2Enabled() override { return timer2_.enabled(); }

 private:
  music::Player& player_;
  win::Timer& timer1_;
  win::Timer& timer2_;
};

// One monitor's pictures. Each monitor is pixelated on its own, with blocks from its own
// top-left corner, so that it looks exactly as it would alone; the effect renders a whole
// picture, so each monitor has a whole pair. A monitor whose pair could not be made has
// neither picture: it shows black and is never handed to the effect.
struct MonitorPictures {
  MonitorPlace place;    // where the monitor is, and where its picture goes in the window
  win::Surface Display;  // what the monitor shows
  win::Surface Master;   // the monitor's capture, read-only after it
  bool hasPictures() const { return !Display.empty() && !Master.empty(); }
};

// Makes `picture` a black picture of the given size; false when it cannot be had. The real
// one is win::Surface::create; the shell tests make pictures that fail.
using PictureMaker = std::function<bool(win::Surface& picture, int width, int height)>;

// What the show is made of besides its window, for the tests and the benchmarks to put
// their own in; as made, the real ones.
struct ShowParts {
  std::wstring effectLibrary = kEffectLibrary;  // a file name in the program's folder
  DeskReader readDesk = ReadDesk;
  PictureMaker makePicture;             // none: win::Surface::create
  music::MciPort* mci = nullptr;        // none: winmm's command strings
  music::SoundPort* sound = nullptr;    // none: winmm's sound player
};

class Veskar_S final : public win::Window, private MessagePump {
 public:
  // `effectLibrary` is the effects library's file name in the program's folder (the shell
  // tests bind a recording stand-in under its own name); `readDesk` tells the monitors.
  explicit Veskar_S(app::Session& session, std::wstring effectLibrary = kEffectLibrary,
                    DeskReader readDesk = ReadDesk);
  Veskar_S(app::Session& session, ShowParts parts);

  // Form_Load: the window over every monitor, the capture, Timer3 (unless told not to start
  // the cycle), the music, then shown on top. False when no window could be made.
  bool Load(bool startCycle = true);

  // The pixelation loop, entered from Timer3's first tick; it never returns.
  [[noreturn]] void RunLoop();
  // One turn of the loop: a level drawn, presented and left on the screen until the next
  // is due, handling input meanwhile; after level 1, the sharp picture and its hold.
  // While the display is off it draws nothing and returns once the display is back on.
  void RunFrame();

  // One frame at a level, as the loop draws it: the effect, the refresh and the pending
  // events (the frame benchmark drives this).
  void Frame(int32_t level);
  // Only the effect call of a frame.
  void CallEffect(int32_t level);

  // Form_QueryUnload: the music stops, the cursor comes back when the show hid it, and the
  // process ends at once (a second request while the first is on its way is ignored).
  void End();

  // The monitors' pictures, the primary's first.
  const std::vector<MonitorPictures>& monitors() const { return monitors_; }
  const LevelCycle& cycle() const { return cycle_; }
  const LevelPacer& pacer() const { return pacer_; }
  bool displayOn() const { return displayOn_; }

 protected:
  LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Refresh();
  void RestoreSharpPicture();
  // The desk changed (a monitor plugged in or out, a resolution changed): the window goes
  // over the new layout and each monitor keeps what it still shows of the capture.
  void OnDisplayChange();
  // A pair for `m` of its monitor's size, black; when either cannot be made, neither.
  void MakePictures(MonitorPictures& m);
  bool MakePicture(win::Surface& picture, int width, int height);
  void CaptureDesk();  // every monitor once, and the blank-capture picture where the desk calls for it
  void PlaceWindow();
  void ProcessPendingEvents();
  void PumpMessages() override { ProcessPendingEvents(); }
  void Paint();
  void OnPowerSetting(const POWERBROADCAST_SETTING& setting);
  void OnPowerEvent(PowerEvent event);

  app::Session& session_;
  DeskReader readDesk_;
  PictureMaker makePicture_;
  DeskRect window_;                        // the window, on the virtual screen
  std::vector<MonitorPictures> monitors_;  // allocated at load and on a desk change only
  std::optional<win::WindowDc> screen_;  // the window's own DC (CS_OWNDC), for refreshes
  win::Timer timer1_{1, 1000};  // MP3 repeat check
  win::Timer timer2_{2, 200};   // audio-CD poll
  win::Timer timer3_{3, 1};     // starts the loop
  music::WinMci mci_;
  music::WinSound sound_;
  music::Player player_;
  PlayerPort music_;
  MusicPower musicPower_;
  EffectLibrary effect_;
  LevelCycle cycle_;
  WinFrameClock clock_{*this};
  LevelPacer pacer_;
  win::UniquePowerNotification displayState_;  // tells us when the display goes off and on
  bool displayOn_ = true;
  int32_t ShowApiResult = 0;
  int width_ = 0;
  int height_ = 0;
  bool looping_ = false;
  bool ending_ = false;
  bool leftDown_ = false;
  bool rightDown_ = false;
};

}  // namespace show
