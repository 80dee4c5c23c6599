// The log of the recording stand-in for Runo_Effect.dll (tests/e2e/doubles): one line per
// GPX_Veskar call, and one when the process ends.
//   call <level> <ms> <result on entry> <width>x<height> <cursor count> <us>
//   exit <cursor count> <ms>
#pragma once
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

struct EffectCall {
  int level = 0;
  unsigned ms = 0;  // since the first call
  long resultOnEntry = 0;
  std::string size;  // "<width>x<height>" of the destination
  int cursor = 0;    // the calling thread's cursor display counter
  long long us = 0;  // on the performance counter, since the first call
};

struct EffectLog {
  std::vector<EffectCall> calls;
  bool exited = false;
  int cursorAtExit = 0;
  unsigned msAtExit = 0;  // since the first call
};

inline EffectLog ParseEffectLog(const std::string& text) {
  EffectLog log;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (in.eof() && text.back() != '\n') break;  // a line still being written
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "call") {
      EffectCall c;
      if (words >> c.level >> c.ms >> c.resultOnEntry >> c.size >> c.cursor >> c.us) log.calls.push_back(c);
    } else if (word == "exit" && (words >> log.cursorAtExit >> log.msAtExit)) {
      log.exited = true;
    }
  }
  return log;
}

}  // namespace testing_support
