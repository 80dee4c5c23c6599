// Both number readers and the start-up text handling on any bytes.
#include <cstdint>
#include <string>

#include "app/mode.h"
#include "settings/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  settings::ParseSettingNumber(text);
  settings::ParseRoundedNumber(text);
  settings::ParseLocaleNumber(text);
  app::ReadHandleNumber(text);
  const std::string args = app::ArgumentsOf(text);
  app::DecideMode(args);
  app::ModeLetter(text);
  app::FromFourthCharacter(text);
  return 0;
}
