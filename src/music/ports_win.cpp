// The multimedia ports on winmm. Every call passes no callback window; the reply buffers
// are filled with the caller's earlier text first, so what a device leaves unwritten
// reads as it did before, the way a buffer kept between calls behaves.
#include "music/ports_win.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <vector>

#include "win/strings.h"

namespace music {

namespace {

// A zero-terminated UTF-16 buffer of `capacity` characters holding `text` (cut to fit).
std::vector<wchar_t> BufferWith(const std::string& text, uint32_t capacity) {
  std::vector<wchar_t> buffer(capacity, L'\0');
  const std::wstring wide = win::widen(text);
  const size_t n = std::min<size_t>(wide.size(), capacity - 1);
  std::copy_n(wide.begin(), n, buffer.begin());
  return buffer;
}

// The buffer's text up to its first zero (or its end, should a device fill it whole).
std::string TextOf(const std::vector<wchar_t>& buffer) {
  size_t n = 0;
  while (n < buffer.size() && buffer[n] != L'\0') ++n;
  return win::narrow(std::wstring_view(buffer.data(), n));
}

}  // namespace

uint32_t WinMci::Send(const std::string& command, std::string& reply, uint32_t replyCapacity) {
  const std::wstring wide = win::widen(command);
  if (replyCapacity == 0) return mciSendStringW(wide.c_str(), nullptr, 0, nullptr);
  std::vector<wchar_t> buffer = BufferWith(reply, replyCapacity);
  const MCIERROR code = mciSendStringW(wide.c_str(), buffer.data(), replyCapacity, nullptr);
  reply = TextOf(buffer);
  return code;
}

bool WinMci::ErrorText(uint32_t code, std::string& text, uint32_t capacity) {
  if (capacity == 0) return mciGetErrorStringW(code, nullptr, 0) != FALSE;
  std::vector<wchar_t> buffer = BufferWith(text, capacity);
  const BOOL found = mciGetErrorStringW(code, buffer.data(), capacity);
  text = TextOf(buffer);
  return found != FALSE;
}

// The count is unsigned; read as a signed 32-bit value like every other result we keep.
int32_t WinSound::WaveDeviceCount() { return static_cast<int32_t>(waveOutGetNumDevs()); }

static_assert(kSndAsync == SND_ASYNC && kSndNoDefault == SND_NODEFAULT && kSndLoop == SND_LOOP &&
              kSndFilename == SND_FILENAME);

int32_t WinSound::PlayLooped(const std::string& file, uint32_t flags) {
  return PlaySoundW(win::widen(file).c_str(), nullptr, flags);
}

int32_t WinSound::Stop() { return PlaySoundW(nullptr, nullptr, 0); }

}  // namespace music
