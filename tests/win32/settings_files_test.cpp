// The settings file through the real Win32 file calls, in a scratch folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "settings/file_port_win.h"
#include "settings/settings.h"
#include "support/settings_text.h"
#include "win/strings.h"

namespace {

class Win32FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = win::narrow(temp) + "veskar-files-" + std::to_string(GetCurrentProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryW(win::widen(folder_).c_str(), nullptr);
  }
  void TearDown() override {
    for (const char* name : {"\\ベスカル.ini", "\\ベスカル.ini.new~", "\\曲.wav"}) {
      const std::wstring p = win::widen(folder_ + name);
      SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(p.c_str());
    }
    RemoveDirectoryW(win::widen(folder_ + "\\sub").c_str());
    RemoveDirectoryW(win::widen(folder_).c_str());
  }
  std::string folder_;
  settings::Win32Files files_;
};

}  // namespace

TEST_F(Win32FilesTest, SaveThenLoadThroughJapaneseFileNames) {
  const std::string ini = settings::SettingsPath(folder_);
  const std::string music = folder_ + "\\曲.wav";
  ASSERT_TRUE(files_.ReplaceAll(music, "RIFF"));
  int32_t result = 0;
  ASSERT_TRUE(settings::SaveSettings(files_, ini, {42, 2, 3, music}, result));
  std::string bytes;
  ASSERT_EQ(files_.ReadAll(ini, bytes), settings::ReadStatus::Ok);
  EXPECT_EQ(bytes.substr(0, 11), "[Section]\r\n");
  EXPECT_NE(bytes.find(std::string(testing_support::kDegreeKey) + "= 42\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\x8B\xC8.wav\r\n"), std::string::npos);  // 曲 in code page 932

  const auto s = settings::LoadSettings(files_, folder_);
  EXPECT_EQ(s.Degree, 42);
  EXPECT_EQ(s.MusicKind, 2);
  EXPECT_EQ(s.RepeatTrack, 3);
  EXPECT_EQ(s.MusicFile, music);
  EXPECT_EQ(s.MusicFolder, folder_);
}

TEST_F(Win32FilesTest, MissingFolderAndUnreadableAreTold) {
  std::string bytes;
  EXPECT_EQ(files_.ReadAll(folder_ + "\\none.ini", bytes), settings::ReadStatus::Missing);
  EXPECT_EQ(files_.ReadAll(folder_ + "\\no\\none.ini", bytes), settings::ReadStatus::Missing);
  EXPECT_FALSE(files_.CanOpenForReading(folder_));
  EXPECT_FALSE(files_.CanOpenForReading(""));
  EXPECT_FALSE(settings::FileExists(files_, folder_ + "\\"));
  CreateDirectoryW(win::widen(folder_ + "\\sub").c_str(), nullptr);
  EXPECT_NE(files_.ReadAll(folder_ + "\\sub", bytes), settings::ReadStatus::Ok);
}

TEST_F(Win32FilesTest, ReadOnlyFileIsNotReplaced) {
  const std::string ini = settings::SettingsPath(folder_);
  ASSERT_TRUE(files_.ReplaceAll(ini, "[Section]\r\nx=1\r\n"));
  SetFileAttributesW(win::widen(ini).c_str(), FILE_ATTRIBUTE_READONLY);
  int32_t result = 1;
  EXPECT_FALSE(settings::SaveSettings(files_, ini, {100, 0, 0, ""}, result));
  EXPECT_EQ(result, 0);
  std::string bytes;
  ASSERT_EQ(files_.ReadAll(ini, bytes), settings::ReadStatus::Ok);
  EXPECT_EQ(bytes, "[Section]\r\nx=1\r\n");
  EXPECT_EQ(GetFileAttributesW(win::widen(ini + ".new~").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32FilesTest, LockedFileIsNotReplaced) {
  const std::string ini = settings::SettingsPath(folder_);
  ASSERT_TRUE(files_.ReplaceAll(ini, "old"));
  HANDLE lock = CreateFileW(win::widen(ini).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  int32_t result = 1;
  EXPECT_FALSE(settings::SaveSettings(files_, ini, {100, 0, 0, ""}, result));
  CloseHandle(lock);
  std::string bytes;
  ASSERT_EQ(files_.ReadAll(ini, bytes), settings::ReadStatus::Ok);
  EXPECT_EQ(bytes, "old");
}

// A settings file is a few lines: one past a megabyte is not read (the defaults apply) and
// not replaced, so a save keeps it as it is; one at the bound is still read.
TEST_F(Win32FilesTest, AFileBeyondAMegabyteIsNeitherReadNorReplaced) {
  const std::string ini = settings::SettingsPath(folder_);
  const std::string head = testing_support::SettingsFile({{testing_support::kDegreeKey, " 42"}});
  std::string bytes = head + std::string((1u << 20) - head.size(), ';');
  ASSERT_TRUE(files_.ReplaceAll(ini, bytes));
  EXPECT_EQ(settings::LoadSettings(files_, folder_).Degree, 42);

  bytes += ';';
  ASSERT_TRUE(files_.ReplaceAll(ini, bytes));
  std::string read;
  EXPECT_EQ(files_.ReadAll(ini, read), settings::ReadStatus::Failed);
  EXPECT_EQ(settings::LoadSettings(files_, folder_).Degree, 100);
  int32_t result = 1;
  EXPECT_FALSE(settings::SaveSettings(files_, ini, {7, 0, 0, ""}, result));
  HANDLE file = CreateFileW(win::widen(ini).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  CloseHandle(file);
  EXPECT_EQ(size.QuadPart, static_cast<LONGLONG>(bytes.size()));
}
