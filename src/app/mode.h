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
// the nearest 32-bit integer, halves to the even one. A value outside the 32-bit range
// gives 0.
int32_t ReadHandleNumber(std::string_view text);

enum class Mode { Preview, Configure, Show, Exit };

struct Plan {
  Mode mode = Mode::Exit;
  bool readSettings = false;  // every mode but preview reads the settings file
  bool hideCursor = false;    // only the mode letter "S" hides the cursor
  int32_t parentHandle = 0;   // preview only
};

Plan DecideMode(std::string_view arguments);

}  // namespace app
