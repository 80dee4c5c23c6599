// What the show does with the background music: which player routine runs at the show's
// start, on the ticks of its two music timers and at its end, and how those timers are
// switched. The player itself lives in music/; the show only calls it.
#pragma once
#include <string_view>

#include "settings/settings.h"

namespace show {

// The player's routines and the show window's two music timers: Timer1 (1000 ms, the MP3
// repeat check) and Timer2 (200 ms, the audio-CD poll).
class MusicPort {
 public:
  virtual ~MusicPort() = default;
  virtual void OpenCdMusic() = 0;
  virtual void PollCdMusic() = 0;
  virtual bool CdPollActive() = 0;
  virtual void StopCdMusic() = 0;
  virtual void StartMp3Music() = 0;
  virtual void CheckMp3Repeat() = 0;
  virtual void StopMp3Music() = 0;
  virtual void StartWavMusic() = 0;
  virtual void StopWavMusic() = 0;
  virtual void SetTimer1(bool enabled) = 0;
  virtual void SetTimer2(bool enabled) = 0;
  virtual bool Timer2Enabled() = 0;
};

// At load: the audio CD (kind 1) is opened and then polled; a music file (kind 2) plays as
// WAV or MP3 by its last three letters, the MP3 with its repeat check.
void StartMusic(MusicPort& music, const settings::Settings& settings);
// Timer1's tick: the MP3 restarts when it has stopped.
void OnTimer1(MusicPort& music);
// Timer2's tick: one poll; the timer then runs only while the poll is still active.
void OnTimer2(MusicPort& music);
// At the end: the CD only while its poll still runs, the file by its ending.
void StopMusic(MusicPort& music, const settings::Settings& settings);

// Whether anyone can hear the music, and what the show does about it. On Windows a playing
// stream holds off the computer's idle sleep, and the show loops its music for as long as
// it runs; so once the display is off (a dimmed display is still seen) or the computer is
// going to sleep, the music stops and its device is closed, exactly as at the show's end,
// and once someone can hear it again it starts as at the show's start (from the beginning
// of the track or file). Only what was playing starts again: a CD whose poll had given up
// (no disc, no drive) stays silent, as its timer stays off for the rest of the show.
enum class PowerEvent { DisplayOff, DisplayOn, Suspend, Resume };

class MusicPower {
 public:
  // At load: the music as the settings ask, unless nobody can hear it already.
  void Start(MusicPort& music, const settings::Settings& settings);
  void Handle(PowerEvent event, MusicPort& music, const settings::Settings& settings);
  // At the end: the music stops, unless it already has.
  void End(MusicPort& music, const settings::Settings& settings);
  bool silenced() const { return silenced_; }

 private:
  bool heard() const { return !displayOff_ && !suspended_; }

  bool started_ = false;
  bool displayOff_ = false;
  bool suspended_ = false;
  bool silenced_ = false;      // stopped for nobody to hear it, and to start again
  bool cdWasPolling_ = false;  // the CD's poll was running when it was stopped
};

// Only a show started with the mode letter "S" hid the cursor, so only such a show gives
// it back at the end.
bool GivesCursorBack(std::string_view arguments);

}  // namespace show
