// The settings file through the Win32 file functions.
#pragma once
#include "settings/file_port.h"

namespace settings {

class Win32Files final : public FilePort {
 public:
  bool CanOpenForReading(const std::string& path) override;
  ReadStatus ReadAll(const std::string& path, std::string& bytes) override;
  bool ReplaceAll(const std::string& path, std::string_view bytes) override;
};

}  // namespace settings
