#include "controls/property_bag.h"

#include <cmath>

#include "settings/number_text.h"

namespace controls {

namespace {

std::string Folded(std::string_view key) {
  // ASCII only: bytes of multi-byte UTF-8 characters are all above 0x7F and stay as they are.
  std::string out(key);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool SameFace(std::string_view a, std::string_view b) { return Folded(a) == Folded(b); }

// The number a value stands for: booleans are -1 and 0, texts must read as a number.
std::optional<double> AsNumber(const PropertyValue& v) {
  if (const bool* b = std::get_if<bool>(&v)) return *b ? -1.0 : 0.0;
  if (const int32_t* n = std::get_if<int32_t>(&v)) return *n;
  if (const std::string* s = std::get_if<std::string>(&v)) return settings::ParseLocaleNumber(*s);
  return std::nullopt;
}

// Halves to even, as whole-number conversions of stored values round.
std::optional<double> Whole(const PropertyValue& v, double low, double high) {
  const auto number = AsNumber(v);
  if (!number) return std::nullopt;
  const double whole = std::nearbyint(*number);
  if (!(whole >= low && whole <= high)) return std::nullopt;
  return whole;
}

}  // namespace

bool operator==(const FontDesc& a, const FontDesc& b) {
  return SameFace(a.Name, b.Name) && std::llround(a.Size * 10000) == std::llround(b.Size * 10000) &&
         a.Weight == b.Weight && a.Italic == b.Italic && a.Underline == b.Underline &&
         a.Strikethrough == b.Strikethrough && a.Charset == b.Charset;
}

FontDesc DesignFont() {
  FontDesc f;
  f.Name = "ＭＳ Ｐゴシック";
  f.Size = 9.75;
  f.Weight = 400;
  f.Charset = 128;  // Shift-JIS
  return f;
}

bool SameValue(const PropertyValue& a, const PropertyValue& b) {
  if (a.index() == b.index()) return a == b;
  if (std::holds_alternative<FontDesc>(a) || std::holds_alternative<FontDesc>(b)) return false;
  const auto x = AsNumber(a);
  const auto y = AsNumber(b);
  return x && y && *x == *y;
}

std::optional<bool> ToBoolean(const PropertyValue& v) {
  if (const std::string* s = std::get_if<std::string>(&v)) {
    const std::string folded = Folded(*s);
    if (folded == "true") return true;
    if (folded == "false") return false;
  }
  const auto number = AsNumber(v);
  if (!number) return std::nullopt;
  return *number != 0.0;
}

std::optional<uint8_t> ToByte(const PropertyValue& v) {
  const auto w = Whole(v, 0.0, 255.0);
  if (!w) return std::nullopt;
  return static_cast<uint8_t>(*w);
}

std::optional<int16_t> ToInteger(const PropertyValue& v) {
  const auto w = Whole(v, -32768.0, 32767.0);
  if (!w) return std::nullopt;
  return static_cast<int16_t>(*w);
}

std::optional<int32_t> ToLong(const PropertyValue& v) {
  const auto w = Whole(v, -2147483648.0, 2147483647.0);
  if (!w) return std::nullopt;
  return static_cast<int32_t>(*w);
}

std::optional<std::string> ToText(const PropertyValue& v) {
  if (const std::string* s = std::get_if<std::string>(&v)) return *s;
  if (const bool* b = std::get_if<bool>(&v)) return std::string(*b ? "True" : "False");
  if (const int32_t* n = std::get_if<int32_t>(&v)) return std::to_string(*n);
  return std::nullopt;
}

std::optional<FontDesc> ToFont(const PropertyValue& v) {
  if (const FontDesc* f = std::get_if<FontDesc>(&v)) return *f;
  return std::nullopt;
}

PropertyBag::PropertyBag(std::initializer_list<std::pair<std::string, PropertyValue>> stored) {
  for (const auto& [name, value] : stored) values_.insert_or_assign(Folded(name), Entry{name, value});
}

void PropertyBag::WriteProperty(std::string_view name, const PropertyValue& value,
                                const PropertyValue& defaultValue) {
  const std::string key = Folded(name);
  if (SameValue(value, defaultValue)) {
    values_.erase(key);
    return;
  }
  values_.insert_or_assign(key, Entry{std::string(name), value});
}

PropertyValue PropertyBag::ReadProperty(std::string_view name,
                                        const PropertyValue& defaultValue) const {
  const auto it = values_.find(Folded(name));
  return it == values_.end() ? defaultValue : it->second.value;
}

bool PropertyBag::Contains(std::string_view name) const { return values_.count(Folded(name)) != 0; }

std::vector<std::string> PropertyBag::Keys() const {
  std::vector<std::string> keys;
  for (const auto& [folded, entry] : values_) keys.push_back(entry.spelling);
  return keys;
}

}  // namespace controls
