// Start-up decisions: arguments, mode letter, preview handle and the mode table.
#include <gtest/gtest.h>

#include <string>

#include "app/mode.h"

using app::DecideMode;
using app::Mode;
using app::ReadHandleNumber;

TEST(Arguments, DropTheProgramPathQuotedOrNot) {
  EXPECT_EQ(app::ArgumentsOf("\"C:\\Program Files\\Veskar.scr\" /s"), "/s");
  EXPECT_EQ(app::ArgumentsOf("C:\\Windows\\Veskar.scr /p 1234"), "/p 1234");
  EXPECT_EQ(app::ArgumentsOf("Veskar.scr"), "");
  EXPECT_EQ(app::ArgumentsOf("\"Veskar.scr\""), "");
  EXPECT_EQ(app::ArgumentsOf("\"Veskar.scr\"   \t/c:5678 "), "/c:5678 ");
  EXPECT_EQ(app::ArgumentsOf("\"unterminated /s"), "");
  EXPECT_EQ(app::ArgumentsOf(""), "");
}

TEST(ModeLetter, IsTheSecondCharacterUpperCased) {
  EXPECT_EQ(app::ModeLetter("/s"), "S");
  EXPECT_EQ(app::ModeLetter("-S"), "S");
  EXPECT_EQ(app::ModeLetter("xs"), "S");
  EXPECT_EQ(app::ModeLetter("s"), "");
  EXPECT_EQ(app::ModeLetter(""), "");
  EXPECT_EQ(app::ModeLetter("/p1234"), "P");
  // Characters, not bytes: the second character of "ｓｓ" is a full-width letter.
  EXPECT_EQ(app::ModeLetter("ｓｓ"), "ｓ");
  EXPECT_EQ(app::ModeLetter("ｓs"), "S");
}

TEST(ModeTable, EveryRow) {
  struct Row {
    const char* args;
    Mode mode;
    bool readSettings;
    bool hideCursor;
  };
  const Row rows[] = {
      {"/p 1234", Mode::Preview, false, false}, {"-P 1234", Mode::Preview, false, false},
      {"/c", Mode::Configure, true, false},      {"/c:1234", Mode::Configure, true, false},
      {"/C:5678", Mode::Configure, true, false}, {"/s", Mode::Show, true, true},
      {"-S", Mode::Show, true, true},            {"/S", Mode::Show, true, true},
      {"-s", Mode::Show, true, true},            {"xs", Mode::Show, true, true},
      {"/s anything", Mode::Show, true, true},   {"", Mode::Show, true, false},
      {"/a", Mode::Exit, true, false},           {"/x", Mode::Exit, true, false},
      {"s", Mode::Exit, true, false},            {" ", Mode::Exit, true, false},
  };
  for (const Row& r : rows) {
    const auto plan = DecideMode(r.args);
    EXPECT_EQ(plan.mode, r.mode) << '"' << r.args << '"';
    EXPECT_EQ(plan.readSettings, r.readSettings) << r.args;
    EXPECT_EQ(plan.hideCursor, r.hideCursor) << r.args;
  }
}

TEST(PreviewHandle, IsReadFromTheFourthCharacter) {
  EXPECT_EQ(DecideMode("/p 1234").parentHandle, 1234u);
  EXPECT_EQ(DecideMode("/p1234").parentHandle, 234u);
  EXPECT_EQ(DecideMode("/pX&H10").parentHandle, 16u);
  EXPECT_EQ(DecideMode("/p").parentHandle, 0u);
  EXPECT_EQ(DecideMode("/p ").parentHandle, 0u);
  // The third character is skipped as a character, not as a byte.
  EXPECT_EQ(DecideMode("/pあ42").parentHandle, 42u);
}

TEST(PreviewHandle, NumberReading) {
  EXPECT_EQ(ReadHandleNumber("1234"), 1234u);
  EXPECT_EQ(ReadHandleNumber(" 1 2\t3\n4 "), 1234u);  // blanks anywhere are skipped
  EXPECT_EQ(ReadHandleNumber("12abc"), 12u);           // stops at the first other character
  EXPECT_EQ(ReadHandleNumber("abc"), 0u);
  EXPECT_EQ(ReadHandleNumber(""), 0u);
  EXPECT_EQ(ReadHandleNumber("-42"), 0xFFFFFFD6u);  // a negative number's 32-bit pattern
  EXPECT_EQ(ReadHandleNumber("+42"), 42u);
  EXPECT_EQ(ReadHandleNumber("&H1F"), 31u);
  EXPECT_EQ(ReadHandleNumber("&h 1f"), 31u);
  EXPECT_EQ(ReadHandleNumber("&O17"), 15u);
  EXPECT_EQ(ReadHandleNumber("&O19"), 1u);
  EXPECT_EQ(ReadHandleNumber("&H"), 0u);
  EXPECT_EQ(ReadHandleNumber("&HFFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadHandleNumber("&HFFFFFFFF0"), 0u);      // more than 32 bits
  EXPECT_EQ(ReadHandleNumber("1.5e3"), 1500u);
  EXPECT_EQ(ReadHandleNumber("1e"), 1u);               // an exponent without digits is not read
  EXPECT_EQ(ReadHandleNumber("2.5"), 2u);              // halves to even
  EXPECT_EQ(ReadHandleNumber("3.5"), 4u);
  EXPECT_EQ(ReadHandleNumber("-2.5"), 0xFFFFFFFEu);
  EXPECT_EQ(ReadHandleNumber("1e400"), 0u);
}

// Hosts print handles unsigned: a handle with its top bit set is a decimal above 2^31 or
// eight hexadecimal digits, and must name that handle, not 0. Past 32 bits it is 0.
TEST(PreviewHandle, EveryThirtyTwoBitValueAndNothingBeyond) {
  EXPECT_EQ(ReadHandleNumber("2147483647"), 2147483647u);
  EXPECT_EQ(ReadHandleNumber("2147483648"), 0x80000000u);
  EXPECT_EQ(ReadHandleNumber("3221291010"), 0xC0010002u);
  EXPECT_EQ(ReadHandleNumber("4294967295"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadHandleNumber("4294967294.5"), 0xFFFFFFFEu);  // halves to even
  EXPECT_EQ(ReadHandleNumber("4294967295.4"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadHandleNumber("4294967295.5"), 0u);            // rounds to 2^32
  EXPECT_EQ(ReadHandleNumber("4294967296"), 0u);
  EXPECT_EQ(ReadHandleNumber("4.294967295e9"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadHandleNumber("-2147483648"), 0x80000000u);
  EXPECT_EQ(ReadHandleNumber("-2147483649"), 0u);
  EXPECT_EQ(ReadHandleNumber("&H80000000"), 0x80000000u);
  EXPECT_EQ(ReadHandleNumber("&H00000000FFFFFFFF"), 0xFFFFFFFFu);  // leading zeros are no bits
  EXPECT_EQ(ReadHandleNumber("&H100000000"), 0u);
  EXPECT_EQ(ReadHandleNumber("&O37777777777"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadHandleNumber("&O40000000000"), 0u);
  EXPECT_EQ(ReadHandleNumber("99999999999999999999999"), 0u);
  EXPECT_EQ(DecideMode("/p 4294967295").parentHandle, 0xFFFFFFFFu);
}

// Main's reading of the UTF-16 command line the platform gives it.
TEST(CommandLine, ReadFromUtf16) {
  const auto start = app::ReadCommandLine(u"\"C:\\Program Files\\Veskar.scr\" /p 3221291010");
  EXPECT_EQ(start.arguments, "/p 3221291010");
  EXPECT_EQ(start.plan.mode, Mode::Preview);
  EXPECT_EQ(start.plan.parentHandle, 0xC0010002u);
  EXPECT_EQ(app::ReadCommandLine(u"Veskar.scr /S").plan.mode, Mode::Show);
  EXPECT_EQ(app::ReadCommandLine(u"Veskar.scr").plan.mode, Mode::Show);
  EXPECT_EQ(app::ReadCommandLine(u"Veskar.scr /x").plan.mode, Mode::Exit);
  // A full-width letter is one character: "/ｃ" is no configure switch.
  EXPECT_EQ(app::ReadCommandLine(u"v /\uFF43").plan.mode, Mode::Exit);
  EXPECT_EQ(app::ReadCommandLine(u"v \U0001F600c").plan.mode, Mode::Configure);  // a pair is one character
}

TEST(CommandLine, LoneSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(app::Utf8Of(u"a\xD800" u"b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(app::Utf8Of(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
  EXPECT_EQ(app::Utf8Of(u"\xDBFF"), "\xEF\xBF\xBD");  // a lead at the very end
  EXPECT_EQ(app::Utf8Of(u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(app::Utf8Of(u"\u00E9\u3042"), "\xC3\xA9\xE3\x81\x82");
  // The second character of a lone surrogate then a letter is that letter.
  EXPECT_EQ(app::ReadCommandLine(u"v \xD800s").plan.mode, Mode::Show);
}
