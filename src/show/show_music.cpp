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

bool GivesCursorBack(std::string_view arguments) { return app::ModeLetter(arguments) == "S"; }

}  // namespace show
