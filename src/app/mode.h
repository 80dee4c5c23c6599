// Start-up decisions: the argument string, the mode letter, the preview handle and the
// plan of what this process opens.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

inline constexpr const char* kShowTitle = "Veskar_Main";
inline constexpr const char* kDialogTitle = "<ベスカル>";

// The command line less the program's own path (quoted or not) and the blanks after it.
std::string ArgumentsOf(std::string_view commandLine);

// The second character of the arguments, ASCII letters upper-cased; "" when there are
// fewer than two characters. The first character (the switch character) is never used.
std::string ModeLetter(std::string_view arguments);

// The arguments from the fourth character on (characters, not bytes).
std::string_view FromFourthCharacter(std::string_view arguments);

// Reads a number the way the preview handle is read: blanks, tabs and line feeds are
// skipped wherever they stand; "&H" and "&O" read hexadecimal and octal digits; a decimal
// number may carry a sign, a fraction and an exponent; reading stops at the first
// character that cannot continue the number; no number gives 0. The value is rounded to
// the nearest integer, halves to the even one. The result is a 32-bit handle value: hosts
// print handles unsigned, so decimals up to 4 294 967 295 and "&H" with up to eight digits
// name the handle as printed; a negative decimal down to -2 147 483 648 names its 32-bit
// pattern. Anything beyond 32 bits gives 0.
uint32_t ReadHandleNumber(std::string_view text);

enum class Mode { Preview, Configure, Show, Exit };

struct Plan {
  Mode mode = Mode::Exit;
  bool readSettings = false;  // every mode but preview reads the settings file
  bool hideCursor = false;    // only the mode letter "S" hides the cursor
  uint32_t parentHandle = 0;  // preview only: a 32-bit handle value, zero-extended to a window
};

Plan DecideMode(std::string_view arguments);

// The UTF-16 command line as the platform hands it over, in UTF-8. A lone surrogate (the
// platform passes any 16-bit units through) becomes U+FFFD, as the platform's own
// conversion makes it.
std::string Utf8Of(std::u16string_view utf16);

// What Main reads from its command line: the argument string and the plan.
struct StartUp {
  std::string arguments;
  Plan plan;
};
StartUp ReadCommandLine(std::u16string_view commandLine);

}  // namespace app
