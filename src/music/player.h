// The background music player: audio CD and MP3 through the multimedia command strings,
// WAV through the sound player. Core code: it talks to the platform only through the two
// ports below, so tests can script the devices and record every command.
//
// (Interface fixed for the show to call; the player itself is built by its own work item
// and these routines do nothing until then.)
#pragma once
#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace music {

// The multimedia command-string interface.
class MciPort {
 public:
  virtual ~MciPort() = default;
  // Sends a command. `reply` receives the reply text, at most `replyCapacity` - 1 bytes
  // (no reply is asked for when the capacity is 0). Returns 0 or an error code.
  virtual uint32_t Send(const std::string& command, std::string& reply, uint32_t replyCapacity) = 0;
  // The platform's text for an error code, at most `capacity` - 1 bytes; false if none.
  virtual bool ErrorText(uint32_t code, std::string& text, uint32_t capacity) = 0;
};

// The sound player for WAV files.
class SoundPort {
 public:
  virtual ~SoundPort() = default;
  virtual int32_t WaveDeviceCount() = 0;
  // Plays a file asynchronously in a loop (flags SND_ASYNC | SND_LOOP); result of the call.
  virtual int32_t PlayLooped(const std::string& file) = 0;
  // Stops what is playing; result of the call.
  virtual int32_t Stop() = 0;
};

class Player {
 public:
  Player(MciPort& mci, SoundPort& sound, const settings::Settings& settings, int32_t& lastApiResult)
      : mci_(mci), sound_(sound), settings_(settings), lastApiResult_(lastApiResult) {}

  void OpenCdMusic();
  void PollCdMusic();
  bool CdPollActive() const { return cdPollActive_; }
  void StopCdMusic();

  void StartMp3Music();
  void CheckMp3Repeat();
  bool IsMp3Playing();
  void StopMp3Music();

  void StartWavMusic();
  void StopWavMusic();

  const std::string& LastMciReply() const { return lastMciReply_; }

 private:
  [[maybe_unused]] MciPort& mci_;
  [[maybe_unused]] SoundPort& sound_;
  [[maybe_unused]] const settings::Settings& settings_;
  [[maybe_unused]] int32_t& lastApiResult_;
  bool cdPollActive_ = false;
  std::string lastMciReply_;
};

// The show's music rule: the last three characters of the file name, upper-cased.
bool EndsInWav(const std::string& file);
bool EndsInMp3(const std::string& file);

}  // namespace music
