// Main's reading of its command line on any UTF-16 (pairs of input bytes, low byte first,
// as the platform hands the line over): the conversion to UTF-8, the argument string, the
// mode letter and the preview handle, and the rules that tie them together.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/mode.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// The code points of well-formed UTF-8, or aborts.
std::u32string Decode(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
    Check(b < 0x80 || (b >= 0xC2 && b <= 0xF4));
    Check(i + n <= s.size());
    char32_t c = n == 1 ? b : b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      Check((t & 0xC0) == 0x80);
      c = (c << 6) | (t & 0x3F);
    }
    Check(c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF));
    out += c;
    i += n;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string line;
  for (size_t i = 0; i + 1 < size; i += 2) line += static_cast<char16_t>(data[i] | (data[i + 1] << 8));

  // Every unit comes through: a pair as one code point, anything else lone as U+FFFD.
  const std::string utf8 = app::Utf8Of(line);
  const std::u32string points = Decode(utf8);
  size_t units = 0;
  for (char32_t c : points) units += c >= 0x10000 ? 2 : 1;
  Check(units == line.size());

  const app::StartUp start = app::ReadCommandLine(line);
  Check(start.arguments.size() <= utf8.size());
  Check(utf8.compare(utf8.size() - start.arguments.size(), std::string::npos, start.arguments) == 0);

  const app::Plan& plan = start.plan;
  const std::string letter = app::ModeLetter(start.arguments);
  Check(plan.readSettings == (plan.mode != app::Mode::Preview));
  Check(plan.hideCursor == (plan.mode == app::Mode::Show && letter == "S"));
  if (plan.mode != app::Mode::Preview) Check(plan.parentHandle == 0);
  switch (plan.mode) {
    case app::Mode::Preview: Check(letter == "P"); break;
    case app::Mode::Configure: Check(letter == "C"); break;
    case app::Mode::Show: Check(letter == "S" || start.arguments.empty()); break;
    case app::Mode::Exit: Check(letter != "P" && letter != "C" && letter != "S" && !start.arguments.empty()); break;
  }
  if (plan.mode == app::Mode::Preview) {
    Check(plan.parentHandle == app::ReadHandleNumber(app::FromFourthCharacter(start.arguments)));
  }
  return 0;
}
