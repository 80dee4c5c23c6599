// The real multimedia ports: mciSendStringW / mciGetErrorStringW, and
// waveOutGetNumDevs / PlaySoundW. Text is converted at the call; capacities are counted
// in UTF-16 characters, as the W functions count them.
#pragma once
#include "music/player.h"

namespace music {

class WinMci final : public MciPort {
 public:
  uint32_t Send(const std::string& command, std::string& reply, uint32_t replyCapacity) override;
  bool ErrorText(uint32_t code, std::string& text, uint32_t capacity) override;
};

class WinSound final : public SoundPort {
 public:
  int32_t WaveDeviceCount() override;
  int32_t PlayLooped(const std::string& file, uint32_t flags) override;
  int32_t Stop() override;
};

}  // namespace music
