// Tests that need something only the test environment gives (the sound device's raw file)
// skip when run by hand without it, but fail inside scripts/test, which sets
// VESKAR_TEST_RUN: there a missing piece of the environment is a fault of the run, and a
// skip would let it pass without ever having played a sound.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>

namespace testing_support {

inline bool InTheTestRun() {
  const char* v = std::getenv("VESKAR_TEST_RUN");
  return v != nullptr && *v != '\0';
}

}  // namespace testing_support

// Use as the first statement of a test body or SetUp (it may return from either).
#define VESKAR_NEEDS_AUDIO_RAW(raw)                                                     \
  do {                                                                                  \
    if ((raw).empty()) {                                                                \
      if (::testing_support::InTheTestRun()) {                                          \
        FAIL() << "VESKAR_AUDIO_RAW is not set, though this is the test run";          \
      }                                                                                 \
      GTEST_SKIP() << "VESKAR_AUDIO_RAW is not set: run through scripts/test";          \
    }                                                                                   \
  } while (false)
