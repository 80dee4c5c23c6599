#include "settings/number_text.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace settings {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::optional<double> ParseLocaleNumber(std::string_view text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  size_t end = n;
  while (end > i && IsBlank(text[end - 1])) --end;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Validate the grammar ourselves and hand from_chars a plain "digits[.digits][e[+-]digits]".
  std::string plain;
  size_t digits = 0;
  while (i < end && IsDigit(text[i])) { plain += text[i++]; ++digits; }
  if (i < end && text[i] == '.') {
    plain += text[i++];
    while (i < end && IsDigit(text[i])) { plain += text[i++]; ++digits; }
  }
  if (digits == 0) return std::nullopt;
  if (i < end && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    plain += 'e';
    ++i;
    if (i < end && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    size_t expDigits = 0;
    while (i < end && IsDigit(text[i])) { plain += text[i++]; ++expDigits; }
    if (expDigits == 0) return std::nullopt;
  }
  if (i != end) return std::nullopt;
  // The text is validated above, so strtod only sees a plain C-locale number; it gives
  // HUGE_VAL for an overflow and 0 for an underflow, both fine for the ranges we use.
  const double value = std::strtod(plain.c_str(), nullptr);
  return negative ? -value : value;
}

namespace {
std::optional<int16_t> Narrow16(double whole) {
  if (!(whole >= -32768.0 && whole <= 32767.0)) return std::nullopt;
  return static_cast<int16_t>(whole);
}
}  // namespace

std::optional<int16_t> ParseSettingNumber(std::string_view text) {
  const auto value = ParseLocaleNumber(text);
  if (!value) return std::nullopt;
  return Narrow16(std::floor(*value));
}

std::optional<int16_t> ParseRoundedNumber(std::string_view text) {
  const auto value = ParseLocaleNumber(text);
  if (!value) return std::nullopt;
  return Narrow16(std::nearbyint(*value));  // default rounding mode: halves to even
}

std::string NumberText(int32_t value) {
  const int64_t v = value;
  return (v < 0 ? "-" : " ") + std::to_string(v < 0 ? -v : v);
}

}  // namespace settings
