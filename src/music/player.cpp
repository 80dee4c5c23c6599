// The music player's decisions and command strings. Every string sent to a device is
// spelled here and nowhere else.
#include "music/player.h"

#include <optional>
#include <string_view>

#include "settings/number_text.h"

namespace music {

namespace {

// Devices and commands.
constexpr const char* kCdDevice = "cdaudio";
constexpr const char* kOpenCd = "open cdaudio";
constexpr const char* kCdTimeFormat = "set cdaudio time format tmsf";
constexpr const char* kCdCurrentTrack = "status cdaudio current track";
constexpr const char* kCdNumberOfTracks = "status cdaudio number of tracks";
constexpr const char* kCdMode = "status cdaudio mode";
constexpr const char* kCdTrackPosition = "status cdaudio position track ";
constexpr const char* kStopCd = "stop cdaudio";
constexpr const char* kCloseCd = "close cdaudio";

constexpr const char* kOpenMp3Head = "open \"";
constexpr const char* kOpenMp3Tail = "\" type MPEGVideo Alias MP3Play";
constexpr const char* kPlayMp3 = "play MP3Play";
constexpr const char* kMp3Mode = "status MP3Play mode";
constexpr const char* kStopMp3 = "stop MP3Play";
constexpr const char* kReplayMp3 = "play MP3Play from 0";
constexpr const char* kCloseMp3 = "close MP3Play";

// Message texts. They stay in memory; nothing shows them.
constexpr const char* kNoErrorText = "Error (文字列が取れません)";
constexpr const char* kNoCommand = "コマンド文字列が指定されていません";
constexpr const char* kErrorPrefix = "Error:";

constexpr std::string_view kStopped = "stopped";
constexpr std::string_view kPlaying = "playing";

// The device's mode word is judged by the buffer's first seven characters, compared
// exactly (a reply of "Stopped" or "stop" is neither).
bool ModeIs(const std::string& buffer, std::string_view word) {
  return std::string_view(buffer).substr(0, word.size()) == word;
}

bool ContainsErr(const std::string& text) {
  for (size_t i = 0; i + 3 <= text.size(); ++i) {
    if ((text[i] | 0x20) == 'e' && (text[i + 1] | 0x20) == 'r' && (text[i + 2] | 0x20) == 'r') {
      return true;
    }
  }
  return false;
}

std::string LastThreeUpper(const std::string& file) {
  // Bytes are enough here: the three characters only match "WAV" or "MP3" when they are
  // ASCII, and an ASCII byte is always a whole character in UTF-8.
  std::string tail = file.size() >= 3 ? file.substr(file.size() - 3) : file;
  for (char& c : tail) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return tail;
}

// Sends a command whose reply nobody reads: no buffer is offered.
uint32_t SendBlind(MciPort& mci, const std::string& command) {
  std::string unused;
  return mci.Send(command, unused, 0);
}

}  // namespace

// ---- the command helpers

int32_t Player::SendMciCommand(const std::string& command, std::string& reply) {
  if (command.empty()) {
    reply = kNoCommand;
    return -1;
  }
  const auto code = static_cast<int32_t>(mci_.Send(command, replyBuffer_, kReplyCapacity));
  lastApiResult_ = code;
  if (code == 0) {
    reply = replyBuffer_;
    return 0;
  }
  if (!mci_.ErrorText(static_cast<uint32_t>(code), errorBuffer_, kErrorTextCapacity)) {
    reply = kNoErrorText;
  } else {
    reply = errorBuffer_;
  }
  return code;
}

std::string Player::QueryMci(const std::string& command) {
  const int32_t code = SendMciCommand(command, lastMciReply_);
  lastApiResult_ = code;
  if (code != 0) return kErrorPrefix + std::to_string(code);
  return lastMciReply_;
}

int32_t Player::PlayMciDevice(const std::string& device, const std::string& start,
                              const std::string& end) {
  std::string command = "play " + device;
  if (!start.empty()) command += " from " + start;
  if (!end.empty()) command += " to " + end;
  return SendMciCommand(command, lastMciReply_);
}

// ---- audio CD

void Player::OpenCdMusic() {
  lastApiResult_ = static_cast<int32_t>(SendBlind(mci_, kOpenCd));
  lastApiResult_ = static_cast<int32_t>(SendBlind(mci_, kCdTimeFormat));
}

void Player::PollCdMusic() {
  cdPollActive_ = true;

  // An error on either query means no drive, no readable disc, or a device that did not
  // open: the poll ends for good and leaves the device alone. The number of tracks is
  // asked only as that test.
  const std::string cur = QueryMci(kCdCurrentTrack);
  if (ContainsErr(cur)) {
    cdPollActive_ = false;
    return;
  }
  const std::string tracks = QueryMci(kCdNumberOfTracks);
  if (ContainsErr(tracks)) {
    cdPollActive_ = false;
    return;
  }

  lastApiResult_ = static_cast<int32_t>(mci_.Send(kCdMode, cdModeBuffer_, kCdModeCapacity));
  const bool stopped = ModeIs(cdModeBuffer_, kStopped);

  const int16_t repeat = settings_.RepeatTrack;
  if (repeat == 0) {
    if (stopped) PlayMciDevice(kCdDevice, "", "");
    return;
  }

  // With a track to repeat, the current track is read as a number whatever the mode. A
  // reply that is no number (blanks around it, a sign, a fraction and an exponent are
  // fine; anything else is not) is a failure the poll cannot get past: it ends for good.
  const std::optional<double> current = settings::ParseLocaleNumber(cur);
  if (!current) {
    cdPollActive_ = false;
    return;
  }
  if (stopped || *current != static_cast<double>(repeat)) {
    // The position goes on as the device wrote it; when its query failed it is the
    // "Error:" text, the play command fails, and a later tick tries again.
    const std::string position = QueryMci(kCdTrackPosition + std::to_string(repeat));
    PlayMciDevice(kCdDevice, position, "");
  }
}

void Player::StopCdMusic() {
  lastApiResult_ = static_cast<int32_t>(SendBlind(mci_, kStopCd));
  lastApiResult_ = static_cast<int32_t>(SendBlind(mci_, kCloseCd));
}

// ---- MP3

void Player::StartMp3Music() {
  if (IsUnplayableName(settings_.MusicFile)) return;
  const std::string open = kOpenMp3Head + settings_.MusicFile + kOpenMp3Tail;
  if (SendBlind(mci_, open) == 0) SendBlind(mci_, kPlayMp3);
}

bool Player::IsMp3Playing() {
  mci_.Send(kMp3Mode, mp3ModeBuffer_, kMp3ModeCapacity);
  return ModeIs(mp3ModeBuffer_, kPlaying);
}

void Player::CheckMp3Repeat() {
  if (IsMp3Playing()) return;
  SendBlind(mci_, kStopMp3);
  SendBlind(mci_, kReplayMp3);
}

void Player::StopMp3Music() {
  SendBlind(mci_, kStopMp3);
  SendBlind(mci_, kCloseMp3);
}

// ---- WAV

void Player::StartWavMusic() {
  if (IsUnplayableName(settings_.MusicFile)) return;
  if (sound_.WaveDeviceCount() <= 0) return;
  lastApiResult_ = sound_.PlayLooped(settings_.MusicFile, kWavMusicFlags);
}

void Player::StopWavMusic() { lastApiResult_ = sound_.Stop(); }

// ---- the show's music rule

bool EndsInWav(const std::string& file) { return LastThreeUpper(file) == "WAV"; }
bool EndsInMp3(const std::string& file) { return LastThreeUpper(file) == "MP3"; }

bool IsUnplayableName(const std::string& file) { return file.find('"') != std::string::npos; }

}  // namespace music
