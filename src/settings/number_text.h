// Numbers as the settings file and the dialog's text fields hold them.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace settings {

// Reads text as a number the way the platform's locale rules read it: blanks around it,
// an optional sign, digits with an optional decimal fraction, an optional exponent
// (E or D). Nothing else may stand in the text. No number gives nullopt.
std::optional<double> ParseLocaleNumber(std::string_view text);

// A stored setting: the number, then the greatest whole number not above it, narrowed to
// 16 bits. No number, or a whole number outside -32768..32767, gives nullopt (the setting
// then keeps its value).
std::optional<int16_t> ParseSettingNumber(std::string_view text);

// A number typed into a text field: rounded to the nearest whole number, halves to the
// even one, narrowed to 16 bits. No number, or one that does not fit, gives nullopt.
std::optional<int16_t> ParseRoundedNumber(std::string_view text);

// The number text the settings file holds: a minus sign or one blank, then the digits
// (100 -> " 100", 0 -> " 0", -3 -> "-3").
std::string NumberText(int32_t value);

}  // namespace settings
