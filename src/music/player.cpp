// (Placeholder: the player's routines do nothing yet.)
#include "music/player.h"

namespace music {

void Player::OpenCdMusic() {}
void Player::PollCdMusic() { cdPollActive_ = false; }
void Player::StopCdMusic() {}
void Player::StartMp3Music() {}
void Player::CheckMp3Repeat() {}
bool Player::IsMp3Playing() { return false; }
void Player::StopMp3Music() {}
void Player::StartWavMusic() {}
void Player::StopWavMusic() {}

namespace {
std::string LastThreeUpper(const std::string& file) {
  std::string tail = file.size() >= 3 ? file.substr(file.size() - 3) : file;
  for (char& c : tail) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return tail;
}
}  // namespace

bool EndsInWav(const std::string& file) { return LastThreeUpper(file) == "WAV"; }
bool EndsInMp3(const std::string& file) { return LastThreeUpper(file) == "MP3"; }

}  // namespace music
