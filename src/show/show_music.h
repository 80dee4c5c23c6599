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

// Only a show started with the mode letter "S" hid the cursor, so only such a show gives
// it back at the end.
bool GivesCursorBack(std::string_view arguments);

}  // namespace show
