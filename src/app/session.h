// The process's shared state: what the program keeps at module level, in one object that
// Main owns and hands to the mode it runs.
#pragma once
#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace app {

struct Session {
  std::string ArgumentString;    // the command line less the program's path
  settings::Settings settings;   // Degree, MusicKind, RepeatTrack, MusicFile, MusicFolder
  std::string programFolder;     // where the program and its settings file live
  int32_t LastApiResult = 0;     // result of the last platform call that keeps one
  int32_t CursorCount = 0;       // the cursor display counter kept when the show hid it
};

}  // namespace app
