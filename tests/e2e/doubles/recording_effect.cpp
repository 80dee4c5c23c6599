// Test double of Runo_Effect.dll. Every GPX_Veskar call appends one line to
// "effect-calls.txt" beside the library:
//   call <level> <ms since the first call> <result variable on entry> <width>x<height> <cursor count>
//        <microseconds since the first call, on the performance counter>
// and when the process ends, "exit <cursor count> <ms since the first call>". The cursor
// count is the calling thread's display counter (probed by showing and hiding it again),
// so a test can tell whether the show hid the cursor and whether it gave it back. The
// pictures are left as they are. tests/support/effect_log.h reads the log.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "effects/dll/plain_symbol_win.h"

namespace {

HMODULE g_self = nullptr;
DWORD g_start = 0;
LARGE_INTEGER g_startCount{};

void Append(const std::string& line) {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(g_self, path, MAX_PATH);
  std::wstring file(path, n);
  file = file.substr(0, file.find_last_of(L'\\') + 1) + L"effect-calls.txt";
  HANDLE f = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(f);
}

int CursorCount() {
  const int shown = ShowCursor(TRUE);
  ShowCursor(FALSE);
  return shown - 1;
}

}  // namespace

extern "C" int32_t __stdcall GPX_Veskar(HDC destination, HDC source, int32_t level, int32_t* result)
    VESKAR_PLAIN_SYMBOL(GPX_Veskar);

extern "C" int32_t __stdcall GPX_Veskar(HDC destination, HDC source, int32_t level, int32_t* result) {
  const DWORD now = GetTickCount();
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  if (g_start == 0) {
    g_start = now;
    g_startCount = count;
  }
  const long long us = (count.QuadPart - g_startCount.QuadPart) * 1000000LL / frequency.QuadPart;
  BITMAP bm{};
  GetObjectW(GetCurrentObject(destination, OBJ_BITMAP), sizeof bm, &bm);
  (void)source;
  char line[192];
  std::snprintf(line, sizeof line, "call %ld %lu %ld %ldx%ld %d %lld\n", static_cast<long>(level),
                static_cast<unsigned long>(now - g_start), result ? static_cast<long>(*result) : -999L,
                static_cast<long>(bm.bmWidth), static_cast<long>(bm.bmHeight), CursorCount(), us);
  Append(line);
  return 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  if (reason == DLL_PROCESS_DETACH) {
    std::string line = "exit " + std::to_string(CursorCount());
    line += ' ';
    line += std::to_string(g_start ? GetTickCount() - g_start : 0);
    line += '\n';
    Append(line);
  }
  return TRUE;
}
