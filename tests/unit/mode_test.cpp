// Start-up decisions: arguments, mode letter, preview handle and the mode table.
#include <gtest/gtest.h>

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
  EXPECT_EQ(DecideMode("/p 1234").parentHandle, 1234);
  EXPECT_EQ(DecideMode("/p1234").parentHandle, 234);
  EXPECT_EQ(DecideMode("/pX&H10").parentHandle, 16);
  EXPECT_EQ(DecideMode("/p").parentHandle, 0);
  EXPECT_EQ(DecideMode("/p ").parentHandle, 0);
  // The third character is skipped as a character, not as a byte.
  EXPECT_EQ(DecideMode("/pあ42").parentHandle, 42);
}

TEST(PreviewHandle, NumberReading) {
  EXPECT_EQ(ReadHandleNumber("1234"), 1234);
  EXPECT_EQ(ReadHandleNumber(" 1 2\t3\n4 "), 1234);  // blanks anywhere are skipped
  EXPECT_EQ(ReadHandleNumber("12abc"), 12);           // stops at the first other character
  EXPECT_EQ(ReadHandleNumber("abc"), 0);
  EXPECT_EQ(ReadHandleNumber(""), 0);
  EXPECT_EQ(ReadHandleNumber("-42"), -42);
  EXPECT_EQ(ReadHandleNumber("+42"), 42);
  EXPECT_EQ(ReadHandleNumber("&H1F"), 31);
  EXPECT_EQ(ReadHandleNumber("&h 1f"), 31);
  EXPECT_EQ(ReadHandleNumber("&O17"), 15);
  EXPECT_EQ(ReadHandleNumber("&O19"), 1);
  EXPECT_EQ(ReadHandleNumber("&H"), 0);
  EXPECT_EQ(ReadHandleNumber("&HFFFFFFFF"), -1);
  EXPECT_EQ(ReadHandleNumber("&HFFFFFFFF0"), 0);      // more than 32 bits
  EXPECT_EQ(ReadHandleNumber("1.5e3"), 1500);
  EXPECT_EQ(ReadHandleNumber("1e"), 1);               // an exponent without digits is not read
  EXPECT_EQ(ReadHandleNumber("2.5"), 2);              // halves to even
  EXPECT_EQ(ReadHandleNumber("3.5"), 4);
  EXPECT_EQ(ReadHandleNumber("-2.5"), -2);
  EXPECT_EQ(ReadHandleNumber("2147483647"), 2147483647);
  EXPECT_EQ(ReadHandleNumber("-2147483648"), INT32_MIN);
  EXPECT_EQ(ReadHandleNumber("2147483648"), 0);       // outside the 32-bit range
  EXPECT_EQ(ReadHandleNumber("99999999999999999999999"), 0);
  EXPECT_EQ(ReadHandleNumber("1e400"), 0);
}
