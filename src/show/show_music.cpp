// The show's music decisions.
#include "show/show_music.h"

#include "app/mode.h"
#include "music/player.h"

namespace show {

namespace {
constexpr int16_t kCd = 1;
constexpr int16_t kFile = 2;
}  // namespace

void StartMusic(MusicPort& music, const settings::Settings& settings) {
  if (settings.MusicKind == kCd) {
    music.OpenCdMusic();
    music.SetTimer2(true);  // the first poll, 200 ms on, starts the playing
  } else if (settings.MusicKind == kFile) {
    // Two separate tests, as at the end: a name cannot end in both.
    if (music::EndsInWav(settings.MusicFile)) music.StartWavMusic();
    if (music::EndsInMp3(settings.MusicFile)) {
      music.StartMp3Music();
      music.SetTimer1(true);
    }
  }
}

void OnTimer1(MusicPort& music) { music.CheckMp3Repeat(); }

void OnTimer2(MusicPort& music) {
  music.PollCdMusic();
  music.SetTimer2(music.CdPollActive());  // once the poll gives up, polling stops for good
}

void StopMusic(MusicPort& music, const settings::Settings& settings) {
  if (music.Timer2Enabled()) {
    music.SetTimer2(false);
    music.StopCdMusic();
  }
  if (settings.MusicKind == kFile) {
    if (music::EndsInWav(settings.MusicFile)) music.StopWavMusic();
    if (music::EndsInMp3(settings.MusicFile)) {
      music.SetTimer1(false);
      music.StopMp3Music();
    }
  }
}

void MusicPower::Start(MusicPort& music, const settings::Settings& settings) {
  started_ = true;
  if (heard()) {
    StartMusic(music, settings);
  } else {
    silenced_ = true;  // started when the display comes on, the CD as on a first start
    cdWasPolling_ = true;
  }
}

void MusicPower::Handle(PowerEvent event, MusicPort& music, const settings::Settings& settings) {
  switch (event) {
    case PowerEvent::DisplayOff: displayOff_ = true; break;
    case PowerEvent::DisplayOn: displayOff_ = false; break;
    case PowerEvent::Suspend: suspended_ = true; break;
    case PowerEvent::Resume: suspended_ = false; break;
  }
  if (!started_) return;
  if (!heard() && !silenced_) {
    cdWasPolling_ = music.Timer2Enabled();
    StopMusic(music, settings);
    silenced_ = true;
  } else if (heard() && silenced_) {
    silenced_ = false;
    if (settings.MusicKind != kCd || cdWasPolling_) StartMusic(music, settings);
  }
}

void MusicPower::End(MusicPort& music, const settings::Settings& settings) {
  if (!silenced_) StopMusic(music, settings);
  silenced_ = true;
  started_ = false;  // nothing starts it again
}

bool GivesCursorBack(std::string_view arguments) { return app::ModeLetter(arguments) == "S"; }

}  // namespace show
