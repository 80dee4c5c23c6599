#include "settings/settings.h"

#include "settings/codepage.h"
#include "settings/ini.h"
#include "settings/number_text.h"

namespace settings {

namespace {

std::string ToFile(const std::string& utf8) {
  std::string bytes;
  Utf8ToCp932(utf8, bytes);
  return bytes;
}

// Loads the document to edit. A missing file is an empty document; a file that exists
// but cannot be read must not be replaced by one that lost its content.
bool LoadForEdit(FilePort& files, const std::string& path, IniDocument& doc) {
  std::string bytes;
  switch (files.ReadAll(path, bytes)) {
    case ReadStatus::Ok: doc = IniDocument(std::move(bytes)); return true;
    case ReadStatus::Missing: doc = IniDocument(); return true;
    case ReadStatus::Failed: return false;
  }
  return false;
}

bool SetValue(IniDocument& doc, const std::string& section, const std::string& key,
              const std::string& value) {
  const std::string bytes = ToFile(value);
  if (!IsWritableValue(bytes)) return false;
  doc.Set(ToFile(section), ToFile(key), bytes);
  return true;
}

}  // namespace

std::string SettingsPath(const std::string& programFolder) { return programFolder + kFileName; }

std::string ReadIniString(FilePort& files, const std::string& section, const std::string& key,
                          const std::string& path) {
  std::string bytes;
  if (files.ReadAll(path, bytes) != ReadStatus::Ok) return {};
  const auto value = IniDocument(std::move(bytes)).Get(ToFile(section), ToFile(key));
  if (!value) return {};
  std::string v = value->substr(0, value->find('\0'));
  if (v.size() > kReadCapacity - 1) {
    // Cut to 255 bytes without leaving half of a two-byte character behind.
    size_t i = 0;
    while (i < kReadCapacity - 1) {
      const size_t step = IsCp932LeadByte(static_cast<unsigned char>(v[i])) ? 2 : 1;
      if (i + step > kReadCapacity - 1) break;
      i += step;
    }
    v.resize(i);
  }
  return Cp932ToUtf8(v);
}

bool WriteIniString(FilePort& files, const std::string& section, const std::string& key,
                    const std::string& value, const std::string& path, int32_t& lastApiResult) {
  IniDocument doc;
  const bool ok = LoadForEdit(files, path, doc) && SetValue(doc, section, key, value) &&
                  files.ReplaceAll(path, doc.bytes());
  lastApiResult = ok ? 1 : 0;
  return ok;
}

Settings LoadSettings(FilePort& files, const std::string& programFolder) {
  Settings s;
  const std::string path = SettingsPath(programFolder);
  auto readNumber = [&](const char* key, int16_t& target, int16_t whenEmpty) {
    const std::string v = ReadIniString(files, kSection, key, path);
    if (v.empty()) {
      target = whenEmpty;
    } else if (const auto n = ParseSettingNumber(v)) {
      target = *n;
    }
  };
  readNumber(kKeyDegree, s.Degree, kDefaultDegree);
  readNumber(kKeyMusicKind, s.MusicKind, 0);
  readNumber(kKeyRepeatTrack, s.RepeatTrack, 0);
  s.MusicFolder = programFolder;
  s.MusicFile = ReadIniString(files, kSection, kKeyMusicFile, path);
  if (!s.MusicFile.empty() && FileExists(files, s.MusicFile)) {
    s.MusicFolder = FolderOfPath(s.MusicFile);
  } else {
    s.MusicFile.clear();
    if (s.MusicKind == 2) s.MusicKind = 0;
  }
  return s;
}

bool FileExists(FilePort& files, const std::string& path) {
  std::string p = path;
  if (!p.empty() && p.back() == '\\') p.pop_back();
  return files.CanOpenForReading(p);
}

std::string FolderOfPath(const std::string& path) {
  // Byte-wise on UTF-8 is exact here: ':' and '\' never occur inside a multi-byte sequence.
  const size_t last = path.find_last_of(":\\");
  if (last == std::string::npos) return {};
  std::string folder = path.substr(0, last + 1);
  if (folder.back() == '\\') folder.pop_back();
  return folder;
}

bool SaveSettings(FilePort& files, const std::string& path, const SavedValues& values,
                  int32_t& lastApiResult) {
  IniDocument doc;
  bool ok = LoadForEdit(files, path, doc) &&
            SetValue(doc, kSection, kKeyDegree, NumberText(values.degree)) &&
            SetValue(doc, kSection, kKeyMusicKind, NumberText(values.musicKind)) &&
            SetValue(doc, kSection, kKeyRepeatTrack, NumberText(values.repeatTrack)) &&
            SetValue(doc, kSection, kKeyMusicFile, values.musicFile) &&
            files.ReplaceAll(path, doc.bytes());
  lastApiResult = ok ? 1 : 0;
  return ok;
}

}  // namespace settings
