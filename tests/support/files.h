// Text conversions, paths and folders for the tests that run under Wine: the folder of the
// test program (where the build puts Veskar.scr, Runo_Effect.dll and the stand-ins), a
// fresh folder per test, files of the source tree and the test environment's sound file.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "support/win32_helpers.h"
#include "win/handle.h"

namespace testing_support {

inline std::wstring Widen(const std::string& bytes, UINT codePage) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

inline std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Text in code page 932, as the settings file holds it.
inline std::string Cp932(const std::wstring& text) { return Narrow(text, 932); }
inline std::wstring Utf16(const std::string& utf8) { return Widen(utf8, CP_UTF8); }
inline std::string Utf8(const std::wstring& utf16) { return Narrow(utf16, CP_UTF8); }

// The folder of the test program.
inline std::wstring BuildFolder() {
  wchar_t path[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  const std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L'\\'));
}

// The size of a file in bytes, -1 when it does not exist.
inline int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return -1;
  return (static_cast<int64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

inline bool FileExistsW(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The raw file that the test environment's sound device writes (VESKAR_AUDIO_RAW, a
// Windows path), or "" outside that environment.
inline std::wstring RawAudioPath() {
  wchar_t path[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableW(L"VESKAR_AUDIO_RAW", path, MAX_PATH * 2);
  return n > 0 && n < MAX_PATH * 2 ? std::wstring(path, n) : std::wstring();
}

// A file of the source tree (e.g. "tests/data/tones.mp3"), through Wine's drive Z:.
inline std::wstring SourceTreeFile(const std::string& relative) {
  const std::string self = __FILE__;  // <root>/tests/support/files.h
  std::string path = "Z:" + self.substr(0, self.rfind("/tests/"));
  path += "/";
  path += relative;
  std::replace(path.begin(), path.end(), '/', '\\');
  return Utf16(path);
}

// Removes a folder and everything in it, read-only files included.
inline void RemoveTree(const std::wstring& folder) {
  struct FindTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
  };
  WIN32_FIND_DATAW fd;
  const win::Unique<FindTraits> find(FindFirstFileW((folder + L"\\*").c_str(), &fd));
  if (find) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = folder + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
      else DeleteFileW(full.c_str());
    } while (FindNextFileW(find.get(), &fd));
  }
  SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(folder.c_str());
}

// A fresh, empty folder for one test under the build folder's e2e-work (kept when the
// test failed, to look at; removed otherwise).
class TestFolder {
 public:
  explicit TestFolder(const std::string& name) {
    const std::wstring root = BuildFolder() + L"\\e2e-work";
    CreateDirectoryW(root.c_str(), nullptr);
    path_ = root + L"\\" + Utf16(name);
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  // Named after the test that is running.
  TestFolder() : TestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  ~TestFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info && info->result() && info->result()->Failed()) return;
    RemoveTree(path_);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Copies a file of the build folder (Veskar.scr, Runo_Effect.dll, ...) into this one.
  void copyFromBuild(const std::wstring& name, const std::wstring& as = L"") const {
    const std::wstring from = BuildFolder() + L"\\" + name;
    const std::wstring to = file(as.empty() ? name : as);
    ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << Utf8(from);
  }

 private:
  std::wstring path_;
};

}  // namespace testing_support
