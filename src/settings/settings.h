// The four user settings, their file beside the program, and the two path routines.
#pragma once
#include <cstdint>
#include <string>

#include "settings/file_port.h"

namespace settings {

// The settings in memory. They start at zero or empty; LoadSettings fills them once.
struct Settings {
  int16_t Degree = 0;       // pixelation degree
  int16_t MusicKind = 0;    // 0 none, 1 audio CD, 2 MP3 or WAV file
  int16_t RepeatTrack = 0;  // audio-CD track to repeat, 0 for none
  std::string MusicFile;    // full path of the music file
  std::string MusicFolder;  // where the file chooser opens (memory only)
};

inline constexpr const char* kSection = "Section";
inline constexpr const char* kKeyDegree = "度合い";
inline constexpr const char* kKeyMusicKind = "BGM区分";
inline constexpr const char* kKeyRepeatTrack = "BGMﾘﾋﾟｰﾄ";
inline constexpr const char* kKeyMusicFile = "BGMﾌｧｲﾙ";
inline constexpr const char* kFileName = "\\ベスカル.ini";
inline constexpr int16_t kDefaultDegree = 100;
inline constexpr size_t kReadCapacity = 256;  // a value read is cut to 255 bytes

// The program's folder + "\ベスカル.ini" (a drive root "C:\" gives "C:\\ベスカル.ini").
std::string SettingsPath(const std::string& programFolder);

// The value of a key, or "" when the file, section or key is missing or the value empty.
// Sees at most 255 bytes of a value in code page 932 (up to its first zero byte).
std::string ReadIniString(FilePort& files, const std::string& section, const std::string& key,
                          const std::string& path);

// Sets one key, creating the file, section or key as needed. The file is replaced whole,
// so a failure leaves it as it was. Returns false on failure (also stored as 0 in
// lastApiResult; 1 on success).
bool WriteIniString(FilePort& files, const std::string& section, const std::string& key,
                    const std::string& value, const std::string& path, int32_t& lastApiResult);

Settings LoadSettings(FilePort& files, const std::string& programFolder);

bool FileExists(FilePort& files, const std::string& path);
std::string FolderOfPath(const std::string& path);

// What the settings dialog saves.
struct SavedValues {
  int32_t degree;       // the degree scroll bar's position
  int16_t musicKind;
  int16_t repeatTrack;
  std::string musicFile;
};

// The four writes, in their order, made on the document in memory; the file is then
// replaced once. Returns false (and leaves the file as it was) when anything fails.
bool SaveSettings(FilePort& files, const std::string& path, const SavedValues& values,
                  int32_t& lastApiResult);

}  // namespace settings
