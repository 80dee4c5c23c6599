// The property bag a host keeps for each button instance: named values, each written
// with a default and left out when it equals that default, each read with a default
// that an absent key yields. Keys are matched without regard to case ("caption" finds
// "Caption"). Values are booleans, 32-bit numbers, texts or font descriptions; the
// conversions a reader applies are here too, each failing softly with nullopt.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace controls {

// A font as a caption takes it over: face, size in points, weight, the three styles and
// the character set. Sizes compare to 1/10000 point, the precision a stored size keeps.
struct FontDesc {
  std::string Name;
  double Size = 0.0;
  int16_t Weight = 400;
  bool Italic = false;
  bool Underline = false;
  bool Strikethrough = false;
  int16_t Charset = 0;

  friend bool operator==(const FontDesc& a, const FontDesc& b);
};

// "ＭＳ Ｐゴシック" 9.75 pt, normal weight, Shift-JIS: the caption's design font.
FontDesc DesignFont();

using PropertyValue = std::variant<bool, int32_t, std::string, FontDesc>;

// Equality as a stored value is compared with its default: same kinds compare directly;
// a number (or boolean, True being -1) equals a text that reads as the same number.
bool SameValue(const PropertyValue& a, const PropertyValue& b);

// Conversions applied on reading. Numbers from texts follow the locale number rules;
// whole-number targets round halves to even and fail when the result does not fit.
std::optional<bool> ToBoolean(const PropertyValue& v);
std::optional<uint8_t> ToByte(const PropertyValue& v);
std::optional<int16_t> ToInteger(const PropertyValue& v);
std::optional<int32_t> ToLong(const PropertyValue& v);
std::optional<std::string> ToText(const PropertyValue& v);
std::optional<FontDesc> ToFont(const PropertyValue& v);

class PropertyBag {
 public:
  PropertyBag() = default;
  // Stored data as a host keeps it: every pair is stored as given (no defaults apply).
  PropertyBag(std::initializer_list<std::pair<std::string, PropertyValue>> stored);

  // Stores `value` under `name`, or removes the key when the value equals `defaultValue`.
  void WriteProperty(std::string_view name, const PropertyValue& value,
                     const PropertyValue& defaultValue);
  // The stored value, or `defaultValue` when the key is absent.
  PropertyValue ReadProperty(std::string_view name, const PropertyValue& defaultValue) const;

  bool Contains(std::string_view name) const;
  // The stored keys as they were first spelled, in alphabetical order of their folded form.
  std::vector<std::string> Keys() const;
  size_t size() const { return values_.size(); }

 private:
  struct Entry {
    std::string spelling;
    PropertyValue value;
  };
  std::map<std::string, Entry> values_;  // by ASCII-folded key
};

}  // namespace controls
