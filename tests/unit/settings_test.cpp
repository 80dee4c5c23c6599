// The settings file: codec rules, number texts, loading, saving and the path routines.
#include <gtest/gtest.h>

#include "settings/codepage.h"
#include "settings/ini.h"
#include "settings/number_text.h"
#include "settings/settings.h"
#include "support/fake_files.h"
#include "support/settings_text.h"

using settings::IniDocument;
using testing_support::FakeFiles;

namespace {

// The four key names as code page 932 bytes, as strings to build lines with.
const std::string kDegreeKey(testing_support::kDegreeKey);
const std::string kKindKey(testing_support::kMusicKindKey);
const std::string kTrackKey(testing_support::kTrackKey);
const std::string kFileKey(testing_support::kMusicFileKey);

const std::string kFolder = "C:\\Saver";
const std::string kIni = "C:\\Saver\\ベスカル.ini";

std::string FileWith(const std::string& body) { return "[Section]\r\n" + body; }

}  // namespace

TEST(CodePage, KeyNamesAreTheDocumentedBytes) {
  std::string bytes;
  ASSERT_TRUE(settings::Utf8ToCp932(settings::kKeyDegree, bytes));
  EXPECT_EQ(bytes, kDegreeKey);
  ASSERT_TRUE(settings::Utf8ToCp932(settings::kKeyMusicKind, bytes));
  EXPECT_EQ(bytes, kKindKey);
  ASSERT_TRUE(settings::Utf8ToCp932(settings::kKeyRepeatTrack, bytes));
  EXPECT_EQ(bytes, kTrackKey);
  ASSERT_TRUE(settings::Utf8ToCp932(settings::kKeyMusicFile, bytes));
  EXPECT_EQ(bytes, kFileKey);
  EXPECT_EQ(settings::Cp932ToUtf8(kTrackKey), settings::kKeyRepeatTrack);
}

TEST(CodePage, UnrepresentableCharactersAreReportedAndReplaced) {
  std::string bytes;
  EXPECT_FALSE(settings::Utf8ToCp932("a\xE2\x98\x83" "b", bytes));  // a snowman b
  EXPECT_EQ(bytes, "a?b");
  // No look-alikes: é is not written as e, which would name another file.
  EXPECT_FALSE(settings::Utf8ToCp932("Caf\xC3\xA9.mp3", bytes));
  EXPECT_EQ(bytes, "Caf?.mp3");
  // Invalid UTF-8 never throws or stops the conversion.
  EXPECT_FALSE(settings::Utf8ToCp932("x\xFFy", bytes));
  EXPECT_EQ(bytes.front(), 'x');
  EXPECT_EQ(bytes.back(), 'y');
}

// These run natively against iconv and under Wine against the system's conversion; the
// two must read every byte sequence alike, above all the ones the table leaves open.
TEST(CodePage, BytesOutsideTheTableReadTheSameOnEveryBuild) {
  const std::string kReplacement = "\xEF\xBF\xBD";
  struct Case {
    std::string bytes, utf8;
  };
  const Case undefined[] = {
      {"\x85\x40", kReplacement},              // a row the table leaves empty
      {"\xEB\x40", kReplacement},              // between the NEC and IBM rows
      {"a\x81\x7F" "b", "a" + kReplacement + "b"},  // a trail byte out of range
      {"\x81\x20x", kReplacement + "x"},        // the trail byte goes with its lead
      {"x\x81", "x" + kReplacement},             // a lead byte cut off at the end
  };
  for (const Case& c : undefined) {
    EXPECT_EQ(settings::Cp932ToUtf8(c.bytes), c.utf8) << testing::PrintToString(c.bytes);
    // Written back, the loss shows: '?' and a report, never a valid look-alike.
    std::string back;
    EXPECT_FALSE(settings::Utf8ToCp932(settings::Cp932ToUtf8(c.bytes), back));
    EXPECT_EQ(back.find("\x81\x45"), std::string::npos) << "U+30FB, Windows' default character";
  }
  // Bytes Shift-JIS leaves unassigned that Windows' table maps one to one, and the
  // user-defined area: they come back as they were.
  const Case kept[] = {{"\x80", "\xC2\x80"},         {"\xA0", "\xEF\xA3\xB0"},
                       {"\xFD\xFE\xFF", "\xEF\xA3\xB1\xEF\xA3\xB2\xEF\xA3\xB3"},
                       {"\xF0\x40", "\xEE\x80\x80"}, {"\x81\xA0", "\xE2\x96\xA1"}};
  for (const Case& c : kept) {
    EXPECT_EQ(settings::Cp932ToUtf8(c.bytes), c.utf8) << testing::PrintToString(c.bytes);
    std::string back;
    EXPECT_TRUE(settings::Utf8ToCp932(c.utf8, back));
    EXPECT_EQ(back, c.bytes);
  }
}

TEST(IniReading, FindsKeysWithoutRegardToCase) {
  const IniDocument doc("[section]\r\nbgm\x8B\xE6\x95\xAA= 2\r\n");
  EXPECT_EQ(doc.Get("Section", kKindKey), "2");
  EXPECT_EQ(doc.Get("SECTION", "BGM\x8B\xE6\x95\xAA"), "2");
  // Full-width letters fold too: ａ (82 81) matches Ａ (82 60).
  const IniDocument wide("[\x82\x81]\nk=1\n");
  EXPECT_EQ(wide.Get("\x82\x60", "K"), "1");
}

TEST(IniReading, NeverFoldsTheSecondByteOfATwoByteCharacter) {
  // 0x83 0x61 and 0x83 0x41 are two different katakana; folding the trail byte as an
  // ASCII letter would make them equal.
  const IniDocument doc("[S]\r\n\x83\x61=one\r\n");
  EXPECT_EQ(doc.Get("S", "\x83\x61"), "one");
  EXPECT_EQ(doc.Get("S", "\x83\x41"), std::nullopt);
  // A section name whose trail byte is ']' (0x81 0x5D) is read whole.
  const IniDocument bracket("[A\x81\x5D]\r\nk=v\r\n");
  EXPECT_EQ(bracket.Get("A\x81\x5D", "k"), "v");
}

TEST(IniReading, TrimsBlanksRemovesOuterQuotesAndSkipsComments) {
  const IniDocument doc(
      "; comment = not a key\r\n"
      "  [ Section ]  \r\n"
      "\t key1 \t=  value with  inner blanks \t\r\n"
      ";key2=commented\r\n"
      "key2=\"quoted \"\r\n"
      "key3='single'\r\n"
      "key4=\"mismatched'\r\n"
      "key5=\"\r\n"
      "key6=\r\n");
  EXPECT_EQ(doc.Get("Section", "key1"), "value with  inner blanks");
  EXPECT_EQ(doc.Get("Section", "key2"), "quoted ");
  EXPECT_EQ(doc.Get("Section", "key3"), "single");
  EXPECT_EQ(doc.Get("Section", "key4"), "\"mismatched'");
  EXPECT_EQ(doc.Get("Section", "key5"), "\"");
  EXPECT_EQ(doc.Get("Section", "key6"), "");
  EXPECT_EQ(doc.Get("Section", "missing"), std::nullopt);
  EXPECT_EQ(doc.Get("; comment", "x"), std::nullopt);
}

TEST(IniReading, FirstOfDuplicatesWinsAndKeysBelongToTheirSection) {
  const IniDocument doc(
      "k=outside\n"
      "[Other]\nk=other\n"
      "[Section]\nk=first\nk=second\n"
      "[Section]\nk=third\nlate=yes\n");
  EXPECT_EQ(doc.Get("Section", "k"), "first");
  EXPECT_EQ(doc.Get("Other", "k"), "other");
  EXPECT_EQ(doc.Get("Section", "late"), std::nullopt);
}

TEST(IniReading, AcceptsEveryLineEnding) {
  const IniDocument doc("[S]\ra=1\rb=2\nc=3\r\nd=4");
  EXPECT_EQ(doc.Get("S", "a"), "1");
  EXPECT_EQ(doc.Get("S", "b"), "2");
  EXPECT_EQ(doc.Get("S", "c"), "3");
  EXPECT_EQ(doc.Get("S", "d"), "4");
}

TEST(IniWriting, ReplacesAValueRightAfterItsEqualsSignAndKeepsEverythingElse) {
  const std::string before =
      "; my settings\n"
      "[Other]\n"
      "x = 1\n"
      "\n"
      "[SECTION]\n"
      "  " + kDegreeKey + " =12\n"
      "; note\n"
      "tail\n";
  IniDocument doc(before);
  doc.Set("Section", kDegreeKey, " 100");
  EXPECT_EQ(doc.bytes(),
            "; my settings\n[Other]\nx = 1\n\n[SECTION]\n  " + kDegreeKey + " = 100\n; note\ntail\n");
}

TEST(IniWriting, PutsANewKeyAfterTheLastKeyOfItsSection) {
  IniDocument doc("[Section]\r\na=1\r\n\r\n; c\r\n[Next]\r\nb=2\r\n");
  doc.Set("Section", "new", "v");
  EXPECT_EQ(doc.bytes(), "[Section]\r\na=1\r\nnew=v\r\n\r\n; c\r\n[Next]\r\nb=2\r\n");

  IniDocument empty("[Section]\n[Next]\n");
  empty.Set("section", "k", "v");
  EXPECT_EQ(empty.bytes(), "[Section]\nk=v\r\n[Next]\n");

  IniDocument noNewline("[Section]\r\na=1");
  noNewline.Set("Section", "b", "2");
  EXPECT_EQ(noNewline.bytes(), "[Section]\r\na=1\r\nb=2\r\n");
}

TEST(IniWriting, AppendsANewSection) {
  IniDocument doc("[Other]\nx=1");
  doc.Set("Section", "k", "v");
  EXPECT_EQ(doc.bytes(), "[Other]\nx=1\r\n[Section]\r\nk=v\r\n");
  IniDocument fresh;
  fresh.Set("Section", "k", "v");
  EXPECT_EQ(fresh.bytes(), "[Section]\r\nk=v\r\n");
}

TEST(SettingNumbers, FollowTheLocaleRulesThenRoundDown) {
  using settings::ParseSettingNumber;
  EXPECT_EQ(ParseSettingNumber(" 100"), 100);
  EXPECT_EQ(ParseSettingNumber("12.7"), 12);
  EXPECT_EQ(ParseSettingNumber("-0.5"), -1);
  EXPECT_EQ(ParseSettingNumber("-3"), -3);
  EXPECT_EQ(ParseSettingNumber("+7 "), 7);
  EXPECT_EQ(ParseSettingNumber("1.5e2"), 150);
  EXPECT_EQ(ParseSettingNumber("25E-1"), 2);
  EXPECT_EQ(ParseSettingNumber(".5"), 0);
  EXPECT_EQ(ParseSettingNumber("3."), 3);
  EXPECT_EQ(ParseSettingNumber("32767.9"), 32767);
  EXPECT_EQ(ParseSettingNumber("-32768"), -32768);
  for (const char* bad : {"abc", "40000", "-32769", "", "  ", "1 2", "1e", "--1", "1,000", "0x10",
                          "1e999999", "inf", "nan", "\xE3\x80\x80" "1", "12abc"}) {
    EXPECT_EQ(ParseSettingNumber(bad), std::nullopt) << bad;
  }
}

TEST(SettingNumbers, RoundedReadingGoesHalfToEven) {
  using settings::ParseRoundedNumber;
  EXPECT_EQ(ParseRoundedNumber("12"), 12);
  EXPECT_EQ(ParseRoundedNumber(" 7 "), 7);
  EXPECT_EQ(ParseRoundedNumber("2.5"), 2);
  EXPECT_EQ(ParseRoundedNumber("3.5"), 4);
  EXPECT_EQ(ParseRoundedNumber("-2.5"), -2);
  EXPECT_EQ(ParseRoundedNumber("-3"), -3);
  EXPECT_EQ(ParseRoundedNumber("32767.4"), 32767);
  EXPECT_EQ(ParseRoundedNumber("abc"), std::nullopt);
  EXPECT_EQ(ParseRoundedNumber("99999"), std::nullopt);
  EXPECT_EQ(ParseRoundedNumber("32767.5"), std::nullopt);
}

TEST(SettingNumbers, NumberTextHasTheLeadingBlank) {
  EXPECT_EQ(settings::NumberText(100), " 100");
  EXPECT_EQ(settings::NumberText(0), " 0");
  EXPECT_EQ(settings::NumberText(-3), "-3");
  EXPECT_EQ(settings::NumberText(INT32_MIN), "-2147483648");
}

TEST(Paths, FolderOfPath) {
  EXPECT_EQ(settings::FolderOfPath("C:\\Music\\song.mp3"), "C:\\Music");
  EXPECT_EQ(settings::FolderOfPath("C:\\song.mp3"), "C:");
  EXPECT_EQ(settings::FolderOfPath("C:song.mp3"), "C:");
  EXPECT_EQ(settings::FolderOfPath("D:\\song.wav"), "D:");
  EXPECT_EQ(settings::FolderOfPath("song.mp3"), "");
  EXPECT_EQ(settings::FolderOfPath(""), "");
  EXPECT_EQ(settings::FolderOfPath("C:\\音楽\\曲.mp3"), "C:\\音楽");
  EXPECT_EQ(settings::FolderOfPath("\\\\server\\share\\a.wav"), "\\\\server\\share");
}

TEST(Paths, SettingsPathAlwaysAddsTheBackslash) {
  EXPECT_EQ(settings::SettingsPath("C:\\Saver"), "C:\\Saver\\ベスカル.ini");
  EXPECT_EQ(settings::SettingsPath("C:\\"), "C:\\\\ベスカル.ini");
}

TEST(Paths, FileExistsDropsOneTrailingBackslash) {
  FakeFiles fs;
  fs.files["C:\\Music\\a.mp3"] = "x";
  EXPECT_TRUE(settings::FileExists(fs, "C:\\Music\\a.mp3"));
  EXPECT_TRUE(settings::FileExists(fs, "C:\\Music\\a.mp3\\"));
  EXPECT_FALSE(settings::FileExists(fs, "C:\\Music\\a.mp3\\\\"));
  EXPECT_FALSE(settings::FileExists(fs, ""));
}

TEST(LoadSettings, NoFileGivesTheDefaults) {
  FakeFiles fs;
  const auto s = settings::LoadSettings(fs, kFolder);
  EXPECT_EQ(s.Degree, 100);
  EXPECT_EQ(s.MusicKind, 0);
  EXPECT_EQ(s.RepeatTrack, 0);
  EXPECT_EQ(s.MusicFile, "");
  EXPECT_EQ(s.MusicFolder, kFolder);
}

TEST(LoadSettings, ReadsNumbersAndAnUnreadableValueLeavesZero) {
  struct Case { const char* text; int16_t degree; };
  for (const Case c : {Case{" 100", 100}, Case{"12.7", 12}, Case{"-0.5", -1}, Case{"abc", 0},
                       Case{"40000", 0}, Case{"", 100}, Case{"\"\"", 100}}) {
    FakeFiles fs;
    fs.files[kIni] = FileWith(kDegreeKey + "=" + c.text + "\r\n" + kTrackKey + "= 7\r\n");
    const auto s = settings::LoadSettings(fs, kFolder);
    EXPECT_EQ(s.Degree, c.degree) << c.text;
    EXPECT_EQ(s.RepeatTrack, 7);
  }
}

TEST(LoadSettings, MusicFileRules) {
  struct Case {
    const char* kind;
    std::string file;
    int16_t wantKind;
    std::string wantFile;
    std::string wantFolder;
  };
  const std::vector<Case> cases = {
      {" 2", "C:\\Music\\gone.mp3", 0, "", kFolder},       // deleted file: back to none
      {" 1", "", 1, "", kFolder},                           // CD stays without a file
      {" 2", "", 0, "", kFolder},                           // file source with no file
      {" 2", "C:\\Music", 0, "", kFolder},                  // a folder is not a file
      {" 2", "C:\\Music\\", 0, "", kFolder},                // ... with its backslash too
      {" 2", "D:\\song.wav", 2, "D:\\song.wav", "D:"},      // a drive root: "D:"
      {" 1", "C:\\Music\\a.mp3", 1, "C:\\Music\\a.mp3", "C:\\Music"},
      {" 2", "\"C:\\Music\\a.mp3\"", 2, "C:\\Music\\a.mp3", "C:\\Music"},
  };
  for (const auto& c : cases) {
    FakeFiles fs;
    fs.folders.insert("C:\\Music");
    fs.files["D:\\song.wav"] = "RIFF";
    fs.files["C:\\Music\\a.mp3"] = "ID3";
    std::string file;
    settings::Utf8ToCp932(c.file, file);
    fs.files[kIni] = FileWith(kKindKey + "=" + c.kind + "\r\n" + kFileKey + "=" + file + "\r\n");
    const auto s = settings::LoadSettings(fs, kFolder);
    EXPECT_EQ(s.MusicKind, c.wantKind) << c.file;
    EXPECT_EQ(s.MusicFile, c.wantFile) << c.file;
    EXPECT_EQ(s.MusicFolder, c.wantFolder) << c.file;
  }
}

TEST(LoadSettings, JapaneseMusicPathRoundTrips) {
  FakeFiles fs;
  const std::string path = "C:\\音楽\\ﾃｽﾄ曲.wav";
  fs.files[path] = "RIFF";
  int32_t result = 0;
  ASSERT_TRUE(settings::SaveSettings(fs, kIni, {50, 2, 0, path}, result));
  const auto s = settings::LoadSettings(fs, kFolder);
  EXPECT_EQ(s.MusicFile, path);
  EXPECT_EQ(s.MusicFolder, "C:\\音楽");
  EXPECT_EQ(s.MusicKind, 2);
  EXPECT_EQ(s.Degree, 50);
}

TEST(ReadIniString, SeesAt255BytesOfAValue) {
  FakeFiles fs;
  const std::string longPath = "C:\\" + std::string(300, 'a') + ".mp3";
  fs.files[longPath] = "ID3";
  fs.files[longPath.substr(0, 255)] = "not the file";
  fs.files[kIni] = FileWith(kKindKey + "= 2\r\n" + kFileKey + "=" + longPath + "\r\n");
  EXPECT_EQ(settings::ReadIniString(fs, "Section", settings::kKeyMusicFile, kIni),
            longPath.substr(0, 255));
  // The cut path names another file; here it exists, so it is kept as it reads.
  EXPECT_EQ(settings::LoadSettings(fs, kFolder).MusicFile, longPath.substr(0, 255));
  fs.files.erase(longPath.substr(0, 255));
  const auto s = settings::LoadSettings(fs, kFolder);
  EXPECT_EQ(s.MusicFile, "");
  EXPECT_EQ(s.MusicKind, 0);
}

TEST(ReadIniString, CutNeverSplitsATwoByteCharacterAndStopsAtZeroBytes) {
  FakeFiles fs;
  // 254 ASCII bytes then a two-byte character: byte 255 would be half of it.
  fs.files[kIni] = FileWith("k=" + std::string(254, 'x') + "\x82\xA0" + "\r\nz=ab" +
                            std::string(1, '\0') + "cd\r\n");
  EXPECT_EQ(settings::ReadIniString(fs, "Section", "k", kIni), std::string(254, 'x'));
  EXPECT_EQ(settings::ReadIniString(fs, "Section", "z", kIni), "ab");
  fs.unreadable.insert(kIni);
  EXPECT_EQ(settings::ReadIniString(fs, "Section", "z", kIni), "");
}

TEST(SaveSettings, ANewFileIsTheDocumentedFiveLines) {
  FakeFiles fs;
  int32_t result = 0;
  ASSERT_TRUE(settings::SaveSettings(fs, kIni, {100, 2, 0, "C:\\Music\\song.mp3"}, result));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(fs.files[kIni], "[Section]\r\n" + kDegreeKey + "= 100\r\n" + kKindKey + "= 2\r\n" +
                                kTrackKey + "= 0\r\n" + kFileKey + "=C:\\Music\\song.mp3\r\n");
  EXPECT_EQ(fs.replaceCount, 1);
}

TEST(SaveSettings, KeepsEveryOtherByteOfAnExistingFile) {
  FakeFiles fs;
  const std::string before = "; hand-written\n[Extra]\nname=x\n\n[section]\n" + kKindKey +
                             "=1\nunknown=keep\n" + kDegreeKey + "=7\n\n[Tail]\nz=1\n";
  fs.files[kIni] = before;
  int32_t result = 0;
  ASSERT_TRUE(settings::SaveSettings(fs, kIni, {-3, 0, 12, ""}, result));
  EXPECT_EQ(fs.files[kIni], "; hand-written\n[Extra]\nname=x\n\n[section]\n" + kKindKey +
                                "= 0\nunknown=keep\n" + kDegreeKey + "=-3\n" + kTrackKey +
                                "= 12\r\n" + kFileKey + "=\r\n\n[Tail]\nz=1\n");
}

TEST(SaveSettings, AFailureIsReportedAndTheFileStaysAsItWas) {
  const std::string before = FileWith(kDegreeKey + "= 5\r\n");
  {
    FakeFiles fs;
    fs.files[kIni] = before;
    fs.readOnly.insert(kIni);
    int32_t result = 1;
    EXPECT_FALSE(settings::SaveSettings(fs, kIni, {100, 0, 0, ""}, result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(fs.files[kIni], before);
  }
  {
    // A file that exists but cannot be read is never replaced by one without its content.
    FakeFiles fs;
    fs.files[kIni] = before;
    fs.unreadable.insert(kIni);
    int32_t result = 1;
    EXPECT_FALSE(settings::SaveSettings(fs, kIni, {100, 0, 0, ""}, result));
    EXPECT_EQ(fs.replaceCount, 0);
  }
  {
    // A value that would break the line is refused rather than written.
    FakeFiles fs;
    fs.files[kIni] = before;
    int32_t result = 1;
    EXPECT_FALSE(settings::SaveSettings(fs, kIni, {100, 0, 0, "C:\\a\r\n[Section]\r\nx.mp3"}, result));
    EXPECT_EQ(fs.files[kIni], before);
  }
}

TEST(WriteIniString, WritesOneKeyAndReportsFailure) {
  FakeFiles fs;
  int32_t result = 0;
  EXPECT_TRUE(settings::WriteIniString(fs, "Section", settings::kKeyDegree, " 100", kIni, result));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(fs.files[kIni], "[Section]\r\n" + kDegreeKey + "= 100\r\n");
  EXPECT_EQ(settings::ReadIniString(fs, "Section", settings::kKeyDegree, kIni), "100");
  fs.readOnly.insert(kIni);
  EXPECT_FALSE(settings::WriteIniString(fs, "Section", settings::kKeyDegree, " 5", kIni, result));
  EXPECT_EQ(result, 0);
}
