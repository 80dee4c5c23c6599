#include "app/mode.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace app {

namespace {

// Length of the UTF-8 sequence that starts with byte c (1 for a stray continuation byte).
size_t SequenceLength(unsigned char c) {
  if (c >= 0xF0 && c <= 0xF7) return 4;
  if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
  if (c >= 0xC0) return 2;
  return 1;
}

// Byte offset of character `index` (0-based), or npos when there are not that many.
size_t OffsetOfCharacter(std::string_view s, size_t index) {
  size_t offset = 0;
  for (size_t k = 0; k < index; ++k) {
    if (offset >= s.size()) return std::string_view::npos;
    offset += SequenceLength(static_cast<unsigned char>(s[offset]));
  }
  return offset >= s.size() ? std::string_view::npos : offset;
}

bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Rounded half to even; from -2^31 to 2^32 - 1 the 32-bit pattern, outside that 0.
uint32_t RoundToHandle(double v) {
  if (!(v >= -2147483648.5 && v <= 4294967295.5)) return 0;  // outside (or NaN): reads as 0
  const double r = std::nearbyint(v);
  if (r < -2147483648.0 || r > 4294967295.0) return 0;
  return r < 0 ? static_cast<uint32_t>(static_cast<int32_t>(r)) : static_cast<uint32_t>(r);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The text with the blanks that the reading skips taken out.
std::string Compact(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (!IsSkipped(c)) out += c;
  }
  return out;
}

}  // namespace

std::string ArgumentsOf(std::string_view commandLine) {
  size_t i = 0;
  if (i < commandLine.size() && commandLine[i] == '"') {
    ++i;
    while (i < commandLine.size() && commandLine[i] != '"') ++i;
    if (i < commandLine.size()) ++i;
  } else {
    while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
  }
  while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  return std::string(commandLine.substr(i));
}

std::string ModeLetter(std::string_view arguments) {
  const size_t at = OffsetOfCharacter(arguments, 1);
  if (at == std::string_view::npos) return {};
  const size_t len = SequenceLength(static_cast<unsigned char>(arguments[at]));
  std::string letter(arguments.substr(at, len));
  if (letter.size() == 1 && letter[0] >= 'a' && letter[0] <= 'z') letter[0] = static_cast<char>(letter[0] - 'a' + 'A');
  return letter;
}

std::string_view FromFourthCharacter(std::string_view arguments) {
  const size_t at = OffsetOfCharacter(arguments, 3);
  return at == std::string_view::npos ? std::string_view() : arguments.substr(at);
}

uint32_t ReadHandleNumber(std::string_view text) {
  const std::string s = Compact(text);
  size_t i = 0;
  if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    const bool hex = s[1] == 'H' || s[1] == 'h';
    uint64_t value = 0;
    for (i = 2; i < s.size(); ++i) {
      const char c = s[i];
      int digit;
      if (c >= '0' && c <= (hex ? '9' : '7')) digit = c - '0';
      else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      else break;
      value = value * (hex ? 16 : 8) + static_cast<uint64_t>(digit);
      if (value > 0xFFFFFFFFull) return 0;  // more than 32 bits
    }
    return static_cast<uint32_t>(value);
  }
  // Decimal: take the longest prefix of the form [+-]digits[.digits][(E|D)[+-]digits].
  std::string plain;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain += s[i++];
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') { plain += s[i++]; ++digits; }
  if (i < s.size() && s[i] == '.') {
    plain += s[i++];
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') { plain += s[i++]; ++digits; }
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::string exponent = "e";
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    size_t expDigits = 0;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') { exponent += s[j++]; ++expDigits; }
    if (expDigits > 0) plain += exponent;
  }
  return RoundToHandle(std::strtod(plain.c_str(), nullptr));
}

Plan DecideMode(std::string_view arguments) {
  Plan plan;
  const std::string letter = ModeLetter(arguments);
  if (letter == "P") {
    plan.mode = Mode::Preview;
    plan.parentHandle = ReadHandleNumber(FromFourthCharacter(arguments));
    return plan;
  }
  plan.readSettings = true;
  if (letter == "C") {
    plan.mode = Mode::Configure;
  } else if (letter != "S" && !arguments.empty()) {
    plan.mode = Mode::Exit;
  } else {
    plan.mode = Mode::Show;
    plan.hideCursor = letter == "S";
  }
  return plan;
}

std::string Utf8Of(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    const char16_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

StartUp ReadCommandLine(std::u16string_view commandLine) {
  StartUp s;
  s.arguments = ArgumentsOf(Utf8Of(commandLine));
  s.plan = DecideMode(s.arguments);
  return s;
}

}  // namespace app
