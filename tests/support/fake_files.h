// An in-memory file system for the settings code: Windows-style paths, folders, files
// that refuse to be read or replaced.
#pragma once
#include <map>
#include <set>
#include <string>

#include "settings/file_port.h"

namespace testing_support {

class FakeFiles : public settings::FilePort {
 public:
  std::map<std::string, std::string> files;  // path -> bytes
  std::set<std::string> folders;
  std::set<std::string> unreadable;  // exist, but reading fails
  std::set<std::string> readOnly;    // replacing fails
  int replaceCount = 0;

  bool CanOpenForReading(const std::string& path) override {
    return files.count(path) != 0 && unreadable.count(path) == 0;
  }
  settings::ReadStatus ReadAll(const std::string& path, std::string& bytes) override {
    bytes.clear();
    if (unreadable.count(path)) return settings::ReadStatus::Failed;
    const auto it = files.find(path);
    if (it == files.end()) return settings::ReadStatus::Missing;
    bytes = it->second;
    return settings::ReadStatus::Ok;
  }
  bool ReplaceAll(const std::string& path, std::string_view bytes) override {
    if (readOnly.count(path) || folders.count(path)) return false;
    files[path] = std::string(bytes);
    ++replaceCount;
    return true;
  }
};

}  // namespace testing_support
