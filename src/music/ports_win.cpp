// (Placeholder: the real multimedia ports are not connected yet.)
#include "music/ports_win.h"

namespace music {

uint32_t WinMci::Send(const std::string&, std::string& reply, uint32_t) {
  reply.clear();
  return 1;
}
bool WinMci::ErrorText(uint32_t, std::string& text, uint32_t) {
  text.clear();
  return false;
}
int32_t WinSound::WaveDeviceCount() { return 0; }
int32_t WinSound::PlayLooped(const std::string&) { return 0; }
int32_t WinSound::Stop() { return 0; }

}  // namespace music
