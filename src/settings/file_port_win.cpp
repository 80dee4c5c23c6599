// Win32 file access for the settings: an open-for-reading test, a whole-file read, and a
// whole-file replace through a temporary file beside the target, so that a failure at any
// point (read-only folder or file, locked file, full disk) leaves the old file untouched.
#include "settings/file_port_win.h"

#include <windows.h>

#include "win/handle.h"
#include "win/strings.h"

namespace settings {

namespace {
// A settings file is a few lines. A larger one is not ours to read (every start would
// spend its time on it) nor to rewrite: it reads as unreadable, so the defaults apply and a
// confirm says the file cannot be replaced, leaving it as it is.
constexpr LONGLONG kLargestSettingsFile = 1LL << 20;

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 20) ? (1u << 20) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written != chunk) return false;
    bytes.remove_prefix(chunk);
  }
  return true;
}
}  // namespace

bool Win32Files::CanOpenForReading(const std::string& path) {
  if (path.empty()) return false;
  // A folder does not open without FILE_FLAG_BACKUP_SEMANTICS, so it counts as missing.
  win::UniqueFile file(CreateFileW(win::widen(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file);
}

ReadStatus Win32Files::ReadAll(const std::string& path, std::string& bytes) {
  bytes.clear();
  win::UniqueFile file(CreateFileW(win::widen(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
               ? ReadStatus::Missing
               : ReadStatus::Failed;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestSettingsFile) {
    return ReadStatus::Failed;
  }
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
       got != bytes.size())) {
    bytes.clear();
    return ReadStatus::Failed;
  }
  return ReadStatus::Ok;
}

bool Win32Files::ReplaceAll(const std::string& path, std::string_view bytes) {
  const std::wstring target = win::widen(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return false;  // a read-only file is the user's wish; a folder is not ours to replace
  }
  const std::wstring temp = target + L".new~";
  {
    win::UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    if (!WriteAll(file.get(), bytes) || !FlushFileBuffers(file.get())) {
      file.reset();
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temp.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace settings
