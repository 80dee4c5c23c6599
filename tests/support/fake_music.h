// Scripted stand-ins for the multimedia devices: every command is recorded with the reply
// capacity it was sent with, and answered from a script the test writes.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "music/player.h"

namespace testing_support {

class FakeMci : public music::MciPort {
 public:
  struct Answer {
    uint32_t code = 0;
    // What the device writes into an offered buffer; nullopt writes nothing, so the buffer
    // keeps what it held.
    std::optional<std::string> reply = std::string();
  };
  struct Call {
    std::string command;
    uint32_t capacity;
    bool operator==(const Call&) const = default;
  };

  // Answers by command. A command without one succeeds and writes an empty reply, as the
  // platform clears an offered buffer before it answers.
  std::map<std::string, Answer> answers;
  // Error codes that have a text; asking for any other code fails and writes nothing.
  std::map<uint32_t, std::string> errorTexts;

  std::vector<Call> calls;
  std::vector<Call> errorTextCalls;  // the code as text, and the capacity

  void Set(const std::string& command, uint32_t code, std::optional<std::string> reply) {
    answers[command] = Answer{code, std::move(reply)};
  }

  uint32_t Send(const std::string& command, std::string& reply, uint32_t replyCapacity) override {
    calls.push_back({command, replyCapacity});
    Answer a;
    if (auto s = answers.find(command); s != answers.end()) a = s->second;
    if (replyCapacity > 0 && a.reply) reply = *a.reply;
    return a.code;
  }

  bool ErrorText(uint32_t code, std::string& text, uint32_t capacity) override {
    errorTextCalls.push_back({std::to_string(code), capacity});
    const auto it = errorTexts.find(code);
    if (it == errorTexts.end()) return false;
    text = it->second;
    return true;
  }

  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    for (const Call& c : calls) out.push_back(c.command);
    return out;
  }
};

class FakeSound : public music::SoundPort {
 public:
  int32_t devices = 1;
  int32_t playResult = 1;
  int32_t stopResult = 1;
  std::vector<std::string> calls;  // "count", "play <file>", "stop"
  std::vector<uint32_t> playFlags;  // the flags of each "play"

  int32_t WaveDeviceCount() override {
    calls.push_back("count");
    return devices;
  }
  int32_t PlayLooped(const std::string& file, uint32_t flags) override {
    calls.push_back("play " + file);
    playFlags.push_back(flags);
    return playResult;
  }
  int32_t Stop() override {
    calls.push_back("stop");
    return stopResult;
  }
};

// A player on the fake devices, with settings a test changes as it goes. `lastApiResult`
// starts at `unset`, so a test can tell a result that was never stored.
struct FakePlayer {
  explicit FakePlayer(int32_t unset = 0) : lastApiResult(unset) {}
  FakeMci mci;
  FakeSound sound;
  settings::Settings settings;
  int32_t lastApiResult;
  music::Player player{mci, sound, settings, lastApiResult};
};

}  // namespace testing_support
