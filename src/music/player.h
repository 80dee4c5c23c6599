// The background music player: audio CD and MP3 through the multimedia command strings,
// WAV through the sound player. Core code: it talks to the platform only through the two
// ports below, so tests can script the devices and record every command.
//
// The show owns one Player for its whole run: it starts the music when its window loads,
// calls CheckMp3Repeat from Timer1 (1000 ms) and PollCdMusic from Timer2 (200 ms, then
// sets Timer2's enabled state to CdPollActive()), and stops the music when it ends.
#pragma once
#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace music {

// The multimedia command-string interface.
class MciPort {
 public:
  virtual ~MciPort() = default;
  // Sends a command. `reply` is the caller's reply buffer: on entry it holds what the
  // buffer holds from earlier calls, and the device writes its reply text over it, at most
  // `replyCapacity` - 1 characters. A device that writes nothing leaves it as it was. With
  // a capacity of 0 no buffer is offered and `reply` is not touched. Returns 0 or an
  // error code.
  virtual uint32_t Send(const std::string& command, std::string& reply, uint32_t replyCapacity) = 0;
  // The platform's text for an error code into the caller's buffer `text` (kept as it was
  // when nothing is written), at most `capacity` - 1 characters; false if none.
  virtual bool ErrorText(uint32_t code, std::string& text, uint32_t capacity) = 0;
};

// The sound player for WAV files.
class SoundPort {
 public:
  virtual ~SoundPort() = default;
  virtual int32_t WaveDeviceCount() = 0;
  // Plays a file with the sound player's flags (kWavMusicFlags); result of the call.
  virtual int32_t PlayLooped(const std::string& file, uint32_t flags) = 0;
  // Stops what is playing; result of the call.
  virtual int32_t Stop() = 0;
};

// The sound player's flags, as the platform numbers them (SND_*).
inline constexpr uint32_t kSndAsync = 0x0001;
inline constexpr uint32_t kSndNoDefault = 0x0002;
inline constexpr uint32_t kSndLoop = 0x0008;
inline constexpr uint32_t kSndFilename = 0x00020000;
// The WAV music: in the background, over and over, the name taken as a file name only
// (never a sound alias of the system), and silence when the file cannot be played: without
// SND_NODEFAULT the platform would loop its default system sound for the whole show.
inline constexpr uint32_t kWavMusicFlags = kSndAsync | kSndLoop | kSndFilename | kSndNoDefault;

// Reply capacities, in characters, of the buffers the player offers the devices.
inline constexpr uint32_t kReplyCapacity = 512;      // SendMciCommand
inline constexpr uint32_t kErrorTextCapacity = 256;  // error texts
inline constexpr uint32_t kCdModeCapacity = 255;     // of the CD mode buffer's 256
inline constexpr uint32_t kMp3ModeCapacity = 30;     // the MP3 mode buffer

class Player {
 public:
  Player(MciPort& mci, SoundPort& sound, const settings::Settings& settings, int32_t& lastApiResult)
      : mci_(mci), sound_(sound), settings_(settings), lastApiResult_(lastApiResult) {}

  // Audio CD, device "cdaudio".
  void OpenCdMusic();
  void PollCdMusic();
  bool CdPollActive() const { return cdPollActive_; }
  void StopCdMusic();

  // One MP3 file, device type MPEGVideo under the alias MP3Play.
  void StartMp3Music();
  void CheckMp3Repeat();
  bool IsMp3Playing();
  void StopMp3Music();

  // One WAV file, looped by the sound player.
  void StartWavMusic();
  void StopWavMusic();

  // Sends a command with the 512-character reply buffer. `reply` receives the reply, or the
  // error text when the command failed. Returns 0, the error code, or -1 for an empty
  // command.
  int32_t SendMciCommand(const std::string& command, std::string& reply);
  // The reply to a status command, or "Error:" + the error code when it failed.
  std::string QueryMci(const std::string& command);
  // Sends "play <device>[ from <start>][ to <end>]"; returns SendMciCommand's result.
  int32_t PlayMciDevice(const std::string& device, const std::string& start, const std::string& end);

  // The reply or error text of the last command sent through SendMciCommand by the player.
  const std::string& LastMciReply() const { return lastMciReply_; }

 private:
  MciPort& mci_;
  SoundPort& sound_;
  const settings::Settings& settings_;
  int32_t& lastApiResult_;
  bool cdPollActive_ = false;
  std::string lastMciReply_;
  // The buffers the devices write into. They keep their text from one call to the next,
  // so a device that answers without writing leaves the previous reply in place.
  std::string replyBuffer_;
  std::string errorBuffer_;
  std::string cdModeBuffer_;
  std::string mp3ModeBuffer_;
};

// The show's music rule: the last three characters of the file name, upper-cased.
bool EndsInWav(const std::string& file);
bool EndsInMp3(const std::string& file);

// A file name the player will not hand to a device: a quotation mark in it would end the
// quoted name early and let the rest of the name be read as words of the command.
bool IsUnplayableName(const std::string& file);

}  // namespace music
