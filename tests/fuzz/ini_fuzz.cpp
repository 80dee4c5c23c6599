// The settings codec on any bytes: reading every key the program reads, writing the four
// keys, and the invariants a save must keep.
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "settings/ini.h"
#include "settings/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // The first line of the input, up to 64 bytes, doubles as a name to look up.
  const std::string name = bytes.substr(0, std::min<size_t>(bytes.find('\n'), 64));
  settings::IniDocument doc(bytes);
  for (const char* key : {"\x93\x78\x8D\x87\x82\xA2", "BGM\x8B\xE6\x95\xAA", "k"}) {
    if (auto v = doc.Get("Section", key)) settings::ParseSettingNumber(*v);
  }
  doc.Get(name, name);

  // A write changes only what it must: the value reads back, and a second write of the
  // same value changes nothing.
  const std::string value = settings::IsWritableValue(name) ? name : std::string("v");
  const std::string section = "Section";
  const std::string key = "BGM\x8B\xE6\x95\xAA";
  doc.Set(section, key, value);
  const std::string once = doc.bytes();
  std::string trimmed = value;
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t' ||
                              trimmed.back() == '\v' || trimmed.back() == '\f' || trimmed.back() == '\x1A')) {
    trimmed.pop_back();
  }
  size_t lead = 0;
  while (lead < trimmed.size() && (trimmed[lead] == ' ' || trimmed[lead] == '\t' ||
                                   trimmed[lead] == '\v' || trimmed[lead] == '\f' || trimmed[lead] == '\x1A')) {
    ++lead;
  }
  trimmed = trimmed.substr(lead);
  const auto back = doc.Get(section, key);
  if (!back) std::abort();
  const bool quoted = trimmed.size() >= 2 && (trimmed.front() == '"' || trimmed.front() == '\'') &&
                      trimmed.back() == trimmed.front();
  if (!quoted && *back != trimmed) std::abort();
  doc.Set(section, key, value);
  if (doc.bytes() != once) std::abort();
  return 0;
}
