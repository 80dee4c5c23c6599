// The settings file's text as the program reads and saves it: "[Section]" and its keys in
// code page 932, numbers after "= " (a blank before one that is not negative). Plain
// bytes, so that every layer's tests, native or under Wine, spell a file the same way.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace testing_support {

inline constexpr std::string_view kDegreeKey = "\x93\x78\x8D\x87\x82\xA2";   // 度合い
inline constexpr std::string_view kMusicKindKey = "BGM\x8B\xE6\x95\xAA";    // BGM区分
inline constexpr std::string_view kTrackKey = "BGM\xD8\xCB\xDF\xB0\xC4";   // BGMﾘﾋﾟｰﾄ
inline constexpr std::string_view kMusicFileKey = "BGM\xCC\xA7\xB2\xD9";    // BGMﾌｧｲﾙ

// A number as the program writes it after the "=".
inline std::string SavedNumber(int value) {
  std::string text = value < 0 ? std::string() : std::string(" ");
  text += std::to_string(value);
  return text;
}

// "[Section]" and one "key=value" line per entry, in order, each ended by CR LF.
inline std::string SettingsFile(std::initializer_list<std::pair<std::string_view, std::string>> entries) {
  std::string text = "[Section]\r\n";
  for (const auto& [key, value] : entries) {
    text += key;
    text += '=';
    text += value;
    text += "\r\n";
  }
  return text;
}

// All four keys, as the settings dialog saves them; `file` already in code page 932.
inline std::string SavedSettings(int degree, int kind, int track, std::string_view file = {}) {
  return SettingsFile({{kDegreeKey, SavedNumber(degree)},
                       {kMusicKindKey, SavedNumber(kind)},
                       {kTrackKey, SavedNumber(track)},
                       {kMusicFileKey, std::string(file)}});
}

}  // namespace testing_support
