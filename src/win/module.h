// Where the program lives.
#pragma once
#include <string>

namespace win {

// The full path of the running program (UTF-8).
std::string ProgramPath();

// The program's folder without a trailing backslash, except a drive root, which keeps
// its backslash ("C:\").
std::string ProgramFolder();

}  // namespace win
