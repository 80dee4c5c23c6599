// Programs the tests start, their windows and their end. Every wait is bounded: a program
// that hangs fails its test and is killed; it never hangs the run.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"
#include "win/handle.h"

namespace testing_support {

// Handles what is queued for this thread's windows, for `ms` milliseconds in all (once
// for 0): the test's own windows stay responsive while it looks at another program.
inline void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (ms) Sleep(10);
  } while (GetTickCount() - start < ms);
}

// Waits until `condition` holds, looking every 20 ms; false when `timeoutMs` passed first.
// The deadline is a safety net: a wait is for what it is about, not for the clock.
template <typename F>
bool WaitUntil(F condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(20);
  }
}

// A started program. The destructor kills it if it still runs.
class Process {
 public:
  Process() = default;
  Process(Process&& other) noexcept : process_(std::move(other.process_)), pid_(std::exchange(other.pid_, 0)) {}
  Process& operator=(Process&& other) noexcept {
    if (this != &other) {
      kill();  // the program this one started does not outlive it
      process_ = std::move(other.process_);
      pid_ = std::exchange(other.pid_, 0);
    }
    return *this;
  }
  ~Process() { kill(); }

  // Starts `exe` with the argument string `args` ("" for none), in `folder`.
  static Process Start(const std::wstring& exe, const std::wstring& args, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!args.empty()) {
      commandLine += L" ";
      commandLine += args;
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Process p;
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &si, &pi)) {
      const win::UniqueHandle thread(pi.hThread);
      p.process_.reset(pi.hProcess);
      p.pid_ = pi.dwProcessId;
    }
    return p;
  }

  bool started() const { return static_cast<bool>(process_); }
  DWORD pid() const { return pid_; }
  bool running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

  // The exit code once it has ended within `timeoutMs`; nullopt if it still runs. Our own
  // windows keep answering meanwhile: the program may send them messages.
  std::optional<DWORD> waitExit(DWORD timeoutMs) const {
    if (!process_) return std::nullopt;
    const DWORD start = GetTickCount();
    for (;;) {
      const DWORD elapsed = GetTickCount() - start;
      const DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
      const HANDLE process = process_.get();
      const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_ALLINPUT);
      if (r == WAIT_OBJECT_0) break;
      if (r != WAIT_OBJECT_0 + 1) return std::nullopt;
      PumpFor(0);
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
  }
  // Ended within `timeoutMs`, with exit code 0.
  bool endsCleanly(DWORD timeoutMs) const {
    const auto code = waitExit(timeoutMs);
    return code.has_value() && *code == 0;
  }

  void kill() {
    if (!process_) return;
    if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 999);
      WaitForSingleObject(process_.get(), 5000);
    }
    process_.reset();
  }

 private:
  win::UniqueHandle process_;
  DWORD pid_ = 0;
};

// Starts Veskar.scr of `folder` with `args`.
inline Process StartSaver(const TestFolder& folder, const std::wstring& args) {
  return Process::Start(folder.file(L"Veskar.scr"), args, folder.path());
}

// A window of process `pid` (of any process for 0) with this exact title: a child of
// `parent`, or a top-level window when `parent` is null.
inline HWND FindWindowOf(const std::wstring& title, DWORD pid, HWND parent = nullptr) {
  HWND found = nullptr;
  while ((found = FindWindowExW(parent, found, nullptr, title.c_str())) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(found, &owner);
    if (!pid || owner == pid) return found;
  }
  return nullptr;
}

// The first visible or hidden top-level window with this exact title (of process `pid`
// when it is not 0) that appears within `timeoutMs`; null when none did.
inline HWND WaitForWindow(const std::wstring& title, DWORD timeoutMs, DWORD pid = 0) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindWindowOf(title, pid);
        if (!found) PumpFor(0);
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

namespace detail {
inline BOOL CALLBACK AddWindowOf(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search->first) search->second.push_back(hwnd);
  return TRUE;
}
}  // namespace detail

// Every top-level window of a process.
inline std::vector<HWND> WindowsOf(DWORD pid) {
  std::pair<DWORD, std::vector<HWND>> search{pid, {}};
  EnumWindows(&detail::AddWindowOf, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// The saver started with its window up: the window titled `title` of that process, shown.
struct StartedSaver {
  Process process;
  HWND window = nullptr;  // null when it did not come within the time
};

inline StartedSaver StartSaverWindow(const TestFolder& folder, const std::wstring& args,
                                     const std::wstring& title, DWORD timeoutMs = 15000) {
  StartedSaver s{StartSaver(folder, args), nullptr};
  if (!s.process.started()) return s;
  const HWND w = WaitForWindow(title, timeoutMs, s.process.pid());
  if (w && WaitUntil([&] { return IsWindowVisible(w) != FALSE; }, timeoutMs)) s.window = w;
  return s;
}

}  // namespace testing_support
