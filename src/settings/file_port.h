// What the settings code needs of the file system. The program uses the Win32 port
// (file_port_win.cpp); tests use an in-memory one.
#pragma once
#include <string>
#include <string_view>

namespace settings {

enum class ReadStatus { Ok, Missing, Failed };

class FilePort {
 public:
  virtual ~FilePort() = default;
  // The path names something that opens for reading as a file (a folder does not).
  virtual bool CanOpenForReading(const std::string& path) = 0;
  // The whole file. Missing: no such file; Failed: it exists but could not be read.
  virtual ReadStatus ReadAll(const std::string& path, std::string& bytes) = 0;
  // Replaces the file with `bytes` all at once: either the new content is there in full
  // or the old file is untouched.
  virtual bool ReplaceAll(const std::string& path, std::string_view bytes) = 0;
};

}  // namespace settings
