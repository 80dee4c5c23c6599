// The show at its real pace under Wine: Veskar.scr /s run as Windows runs it, each run in
// a folder of its own beside this program with its settings file and an effects library.
//   show_pace_bench_win timing      degrees 10, 100 and 255 with the recording stand-in:
//                                   the cycle's length against (2D + 1) level times, the
//                                   intervals between effect calls, and how long a key
//                                   pressed mid-animation takes to end the process
//   show_pace_bench_win cpu [n [xserver wineserver [library]]]
//                                   with Runo_Effect.dll at the screen's size: the show
//                                   process's own CPU time over n whole cycles (default 2)
//                                   of degree 100, as a share of one core; with the Unix
//                                   process ids of the X server and the wineserver, theirs
//                                   over the same time too; with another build of the
//                                   library (a file beside this program) when named
// Every figure is printed, none is judged: the machine is shared and noisy.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "show/frame_clock_win.h"
#include "show/pacing.h"
#include "win/handle.h"
#include "win/module.h"
#include "win/strings.h"

namespace {

std::wstring BinFolder() { return win::widen(win::ProgramFolder()); }

double Seconds(LARGE_INTEGER count) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return double(count.QuadPart) / double(f.QuadPart);
}

double NowSeconds() {
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return Seconds(c);
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(std::min<DWORD>(ms, 20));
  } while (GetTickCount() - start < ms);
}

std::string ReadFileBytes(const std::wstring& path) {
  win::UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (!f) return bytes;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  win::UniqueFile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return f && WriteFile(f.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
}

// One run of the saver: its folder, its process and its show window.
class Run {
 public:
  // `effect` is the file of this program's folder that the run gets as Runo_Effect.dll.
  Run(const std::wstring& name, const wchar_t* effect, int degree) {
    const std::wstring work = BinFolder() + L"\\pace-work";
    CreateDirectoryW(work.c_str(), nullptr);
    folder_ = work + L"\\" + name;
    CreateDirectoryW(folder_.c_str(), nullptr);
    DeleteFileW(file(L"effect-calls.txt").c_str());
    CopyFileW((BinFolder() + L"\\Veskar.scr").c_str(), file(L"Veskar.scr").c_str(), FALSE);
    CopyFileW((BinFolder() + L"\\" + effect).c_str(), file(L"Runo_Effect.dll").c_str(), FALSE);
    // The settings file: "度合い" in code page 932, the number as the program saves it.
    WriteFileBytes(file(L"ベスカル.ini"), "[Section]\r\n\x93\x78\x8D\x87\x82\xA2= " + std::to_string(degree) + "\r\n");

    const std::wstring exe = file(L"Veskar.scr");
    std::wstring commandLine = L"\"" + exe + L"\" /s";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si,
                        &pi)) {
      return;
    }
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    pid_ = pi.dwProcessId;
    for (int i = 0; i < 750 && !show_ && running(); ++i) {
      EnumWindows(FindShow, reinterpret_cast<LPARAM>(this));
      if (!show_) PumpFor(20);
    }
  }
  ~Run() {
    if (running()) TerminateProcess(process_.get(), 1);
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  HWND show() const { return show_; }
  HANDLE process() const { return process_.get(); }
  bool running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  std::wstring file(const wchar_t* name) const { return folder_ + L"\\" + name; }

  // Microseconds of each effect call (on the performance counter) and its level, as the
  // stand-in logged them.
  struct Call {
    int level;
    double us;
  };
  std::vector<Call> calls() const {
    std::vector<Call> out;
    std::istringstream in(ReadFileBytes(file(L"effect-calls.txt")));
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream w(line);
      std::string word, size;
      long long ms = 0, result = 0, cursor = 0, us = 0;
      Call c{};
      if (w >> word >> c.level >> ms >> result >> size >> cursor >> us && word == "call") {
        c.us = double(us);
        out.push_back(c);
      }
    }
    return out;
  }

  // The show process's own CPU time so far, user and kernel, in seconds.
  double cpuSeconds() const {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process_.get(), &created, &ended, &kernel, &user)) return -1;
    auto s = [](FILETIME t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7; };
    return s(kernel) + s(user);
  }

 private:
  static BOOL CALLBACK FindShow(HWND hwnd, LPARAM self) {
    Run& run = *reinterpret_cast<Run*>(self);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (pid != run.pid_ || std::wstring(cls) != L"Veskar_S" || !IsWindowVisible(hwnd)) return TRUE;
    run.show_ = hwnd;
    return FALSE;
  }

  std::wstring folder_;
  win::UniqueHandle process_;
  DWORD pid_ = 0;
  HWND show_ = nullptr;
};

// Under Wine, GetProcessTimes of another process counts only a small part of its CPU time
// (Wine 8: a tenth of what Linux counts for it), so the share is read from Linux's own
// accounting through drive Z: as well. Ticks are taken at 100 a second (USER_HZ on Linux).
double UnixCpuSeconds(unsigned pid) {
  const std::string stat = ReadFileBytes(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat");
  const size_t name = stat.rfind(')');
  if (name == std::string::npos) return -1;
  std::istringstream fields(stat.substr(name + 1));
  std::string field;
  double ticks = 0;
  for (int i = 0; i < 13 && fields >> field; ++i) {
    if (i == 11 || i == 12) ticks += std::stod(field);  // utime, stime
  }
  return ticks / 100.0;
}

// The Unix process whose command line holds `part` (0 when there is none or no /proc).
unsigned UnixProcessWith(const std::string& part) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  unsigned pid = 0;
  do {
    const std::wstring name = found.cFileName;
    if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    if (ReadFileBytes(L"Z:\\proc\\" + name + L"\\cmdline").find(part) != std::string::npos) {
      pid = unsigned(std::stoul(name));
      break;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return pid;
}

bool WaitForCalls(const Run& run, size_t count, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (run.calls().size() < count) {
    if (!run.running() || GetTickCount() - start > timeoutMs) return false;
    PumpFor(30);
  }
  return true;
}

double LevelSeconds() {
  return double(show::PaceForRefreshRate(show::WinFrameClock::RefreshRate()).level) * 1e-9;
}

int Timing() {
  const double level = LevelSeconds();
  std::printf("\nThe show's pace under Wine (recording stand-in), a level stays %.2f ms\n", level * 1e3);
  std::printf("%6s %7s %9s %11s %6s | %21s | %9s %10s\n", "degree", "cycles", "cycle ms", "(2D+1)lv ms", "ratio",
              "call interval ms", "hold ms", "key->end");
  std::printf("%6s %7s %9s %11s %6s | %6s %6s %7s | %9s %10s\n", "", "", "", "", "", "median", "5th", "95th", "", "ms");
  for (int degree : {10, 100, 255}) {
    const size_t perCycle = size_t(2 * degree + 2);
    Run run(L"timing-" + std::to_wstring(degree), L"recording_effect.dll", degree);
    if (!run.show()) {
      std::printf("%6d the show did not start\n", degree);
      continue;
    }
    // Two whole cycles and the hold between them, then a key in the middle of the third.
    const DWORD budget = DWORD(3 * (perCycle * level * 4 + 2) * 1000);
    if (!WaitForCalls(run, 2 * perCycle + perCycle / 2, budget)) {
      std::printf("%6d the show stopped calling the effect\n", degree);
      continue;
    }
    const double pressed = NowSeconds();
    PostMessageW(run.show(), WM_KEYDOWN, 'K', 0);
    const bool ended = WaitForSingleObject(run.process(), 5000) == WAIT_OBJECT_0;
    const double keyToEnd = NowSeconds() - pressed;

    const std::vector<Run::Call> calls = run.calls();
    std::vector<double> lengths, intervals, holds;
    for (size_t cycle = 0; cycle < 2; ++cycle) {
      const size_t first = cycle * perCycle, last = first + perCycle - 1;
      if (calls[first].level != 0 || calls[last].level != 1) {
        std::printf("%6d cycle %zu has the wrong levels\n", degree, cycle);
        continue;
      }
      lengths.push_back((calls[last].us - calls[first].us) * 1e-3);
      for (size_t i = first + 1; i <= last; ++i) intervals.push_back((calls[i].us - calls[i - 1].us) * 1e-3);
      holds.push_back((calls[last + 1].us - calls[last].us) * 1e-3);
    }
    const double expected = double(2 * degree + 1) * level * 1e3;
    const double length = Percentile(lengths, 0.5);
    std::printf("%6d %7zu %9.1f %11.1f %6.3f | %6.2f %6.2f %7.2f | %9.1f %10s\n", degree, lengths.size(), length,
                expected, length / expected, Percentile(intervals, 0.5), Percentile(intervals, 0.05),
                Percentile(intervals, 0.95), Percentile(holds, 0.5),
                ended ? std::to_string(int(keyToEnd * 1e3 + 0.5)).c_str() : "no end");
  }
  std::printf("cycle: from a cycle's level-0 call to its last (level-1) call; hold: from that call to the next\n"
              "cycle's level 0 (one level time, the restoring copy and the 1 s hold)\n");
  return 0;
}

// Whole cycles are counted between the ends of holds: during the one-second hold the show
// answers no message, so a message sent then comes back when the hold is over.
bool WaitForHoldEnd(const Run& run, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs && run.running()) {
    const DWORD t0 = GetTickCount();
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(run.show(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) return false;
    if (GetTickCount() - t0 >= 700) return true;
    Sleep(20);
  }
  return false;
}

int CpuShare(int cycles, unsigned xServer, unsigned wineServer, const std::wstring& library) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  // The primary's size, and how many monitors the desk has when more than one.
  const int monitors = GetSystemMetrics(SM_CMONITORS);
  const std::string screen =
      (monitors > 1 ? std::to_string(monitors) + "x " : std::string()) + std::to_string(w) + "x" + std::to_string(h);
  const std::string which = library == L"Runo_Effect.dll" ? std::string() : "  " + win::narrow(library);
  Run run(L"cpu", library.c_str(), 100);
  if (!run.show()) {
    std::printf("%dx%d: the show did not start\n", w, h);
    return 1;
  }
  const unsigned show = UnixProcessWith("pace-work\\cpu\\Veskar.scr");
  auto unix = [](unsigned pid) { return pid ? UnixCpuSeconds(pid) : -1; };
  if (!WaitForHoldEnd(run, 60000)) {
    std::printf("%dx%d: no hold seen\n", w, h);
    return 1;
  }
  const double wall0 = NowSeconds(), own0 = run.cpuSeconds();
  const double show0 = unix(show), x0 = unix(xServer), ws0 = unix(wineServer);
  for (int i = 0; i < cycles; ++i) {
    if (!WaitForHoldEnd(run, 60000)) {
      std::printf("%dx%d: no hold seen\n", w, h);
      return 1;
    }
  }
  const double wall = NowSeconds() - wall0, own = run.cpuSeconds() - own0;
  const double showCpu = unix(show) - show0, x = unix(xServer) - x0, ws = unix(wineServer) - ws0;
  const double expected = cycles * (202 * LevelSeconds() + 1.0);
  auto share = [&](double before, double cpu) -> std::string {
    if (before < 0) return "-";  // no figure for this one
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%", 100 * cpu / wall);
    return text;
  };
  std::printf("%-12s %6d %7.2f %8.2f | %7.2f %7s | %9s %8s %10s%s\n", screen.c_str(), cycles, wall, expected,
              show0 < 0 ? own : showCpu, share(0, show0 < 0 ? own : showCpu).c_str(), share(x0, x).c_str(),
              share(ws0, ws).c_str(), share(0, own).c_str(), which.c_str());
  PostMessageW(run.show(), WM_KEYDOWN, 'K', 0);
  WaitForSingleObject(run.process(), 5000);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring what = argc > 1 ? argv[1] : L"timing";
  if (what == L"timing") return Timing();
  if (what == L"cpu-header") {
    std::printf("\nThe show's CPU share of one core under Wine (Runo_Effect.dll, degree 100, whole cycles)\n");
    std::printf("%-12s %6s %7s %8s | %15s | %9s %8s %10s\n", "screen", "cycles", "wall s", "expect s", "the show",
                "X server", "wineserv", "GetProcess");
    std::printf("%-12s %6s %7s %8s | %7s %7s | %9s %8s %10s\n", "", "", "", "", "CPU s", "share", "share",
                "share", "Times");
    return 0;
  }
  if (what == L"cpu") {
    return CpuShare(argc > 2 ? std::max(1, _wtoi(argv[2])) : 2, argc > 3 ? unsigned(_wtoi(argv[3])) : 0,
                    argc > 4 ? unsigned(_wtoi(argv[4])) : 0, argc > 5 ? argv[5] : L"Runo_Effect.dll");
  }
  std::printf("show_pace_bench_win timing | cpu-header | cpu [cycles [xserver-pid wineserver-pid [library]]]\n");
  return 2;
}
