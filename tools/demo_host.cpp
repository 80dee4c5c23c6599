// A stand-in for what surrounds the saver on a real desktop, for scripts/run on a
// virtual display (never shipped):
//   demo_host backdrop [seconds]          fills the screen with a made-up desktop
//   demo_host pane <saver> [seconds]      a preview pane like the one in Windows'
//                                         screen-saver settings, running "<saver> /p <pane>"
//   demo_host preview <saver> [seconds]   the same pane showing the program's preview
//                                         window made in this process (see RunPane)
#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "preview/preview_window_win.h"
#include "win/handle.h"

namespace {

void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

void Fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
  win::UniqueBrush brush(CreateSolidBrush(c));
  RECT rc{l, t, r, b};
  FillRect(dc, &rc, brush.get());
}

// A Japanese face by name: the stock GUI font has no Japanese glyphs under Wine.
win::UniqueFont JapaneseFont(int height) {
  return win::UniqueFont(
      CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, L"IPAPGothic"));
}

void DrawDesktop(HDC dc, int w, int h) {
  // Wallpaper: a sky gradient with hills.
  for (int y = 0; y < h; ++y) {
    const double f = static_cast<double>(y) / h;
    Fill(dc, 0, y, w, y + 1, RGB(40 + static_cast<int>(90 * f), 110 + static_cast<int>(80 * f), 200 - static_cast<int>(40 * f)));
  }
  for (int x = 0; x < w; x += 2) {
    const int hill = static_cast<int>(h * 0.62 + 40 * std::sin(x / 90.0) + 25 * std::sin(x / 37.0));
    Fill(dc, x, hill, x + 2, h, RGB(60, 140 + (x * 50 / w), 60));
  }
  Fill(dc, w - 220, 60, w - 120, 160, RGB(250, 220, 90));  // a sun
  // Icons down the left edge.
  const COLORREF icons[] = {RGB(250, 240, 120), RGB(230, 90, 80), RGB(90, 200, 240), RGB(240, 160, 60)};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  const win::UniqueFont font = JapaneseFont(13);
  const win::Selected chosen(dc, font.get());
  const wchar_t* names[] = {L"マイ コンピュータ", L"ごみ箱", L"ネットワーク", L"写真"};
  for (int i = 0; i < 4; ++i) {
    const int top = 20 + i * 80;
    Fill(dc, 24, top, 56, top + 32, icons[i]);
    Fill(dc, 30, top + 6, 50, top + 12, RGB(255, 255, 255));
    RECT label{0, top + 36, 80, top + 56};
    DrawTextW(dc, names[i], -1, &label, DT_CENTER | DT_SINGLELINE);
  }
  // A window with text.
  Fill(dc, w / 3, h / 5, w / 3 + 360, h / 5 + 240, RGB(236, 233, 216));
  Fill(dc, w / 3, h / 5, w / 3 + 360, h / 5 + 26, RGB(0, 84, 227));
  RECT title{w / 3 + 8, h / 5 + 4, w / 3 + 350, h / 5 + 24};
  DrawTextW(dc, L"メモ帳 - ベスカル", -1, &title, DT_SINGLELINE);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT body{w / 3 + 12, h / 5 + 36, w / 3 + 350, h / 5 + 230};
  DrawTextW(dc, L"Veskar screen saver\n画面をモザイクにします。\nThe quick brown fox jumps over the lazy dog.\n0123456789", -1, &body, 0);
  // Task bar.
  Fill(dc, 0, h - 30, w, h, RGB(36, 94, 220));
  Fill(dc, 0, h - 30, 100, h, RGB(60, 160, 60));
  SetTextColor(dc, RGB(255, 255, 255));
  RECT start{0, h - 30, 100, h};
  DrawTextW(dc, L"スタート", -1, &start, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT clock{w - 80, h - 30, w, h};
  DrawTextW(dc, L"12:34", -1, &clock, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CALLBACK BackdropProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    const win::PaintDc paint(hwnd);
    RECT rc;
    GetClientRect(hwnd, &rc);
    DrawDesktop(paint.get(), rc.right, rc.bottom);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Collects each monitor's rectangle (a named callback: the 32-bit build needs __stdcall).
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcMonitor);
  return TRUE;
}

HWND MakeWindow(const wchar_t* cls, WNDPROC proc, const wchar_t* title, DWORD style, int x, int y,
                int w, int h, HWND parent, HBRUSH background) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = cls;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = background;
  RegisterClassW(&wc);
  return CreateWindowExW(0, cls, title, style, x, y, w, h, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// A settings page like Windows' screen-saver tab: a title band, a monitor with the
// 152 x 112 preview pane in its screen, and the saver's name below. Drawn by the page
// itself (a popup), since Wine without a window manager draws no title bars.
constexpr int kPageWidth = 300, kPageHeight = 250;
constexpr int kPaneLeft = 74, kPaneTop = 52, kPaneWidth = 152, kPaneHeight = 112;

LRESULT CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    const win::PaintDc paint(hwnd);
    const HDC dc = paint.get();
    Fill(dc, 0, 0, kPageWidth, kPageHeight, RGB(236, 233, 216));
    Fill(dc, 0, 0, kPageWidth, 24, RGB(0, 84, 227));
    SetBkMode(dc, TRANSPARENT);
    const win::UniqueFont font = JapaneseFont(12);
    const win::Selected chosen(dc, font.get());
    SetTextColor(dc, RGB(255, 255, 255));
    RECT title{8, 0, kPageWidth, 24};
    DrawTextW(dc, L"画面のプロパティ", -1, &title, DT_SINGLELINE | DT_VCENTER);
    // The monitor: bezel, screen opening (the pane sits in it), neck and foot.
    Fill(dc, kPaneLeft - 12, kPaneTop - 12, kPaneLeft + kPaneWidth + 12, kPaneTop + kPaneHeight + 14, RGB(70, 72, 82));
    Fill(dc, kPaneLeft - 12, kPaneTop - 12, kPaneLeft + kPaneWidth + 12, kPaneTop - 10, RGB(150, 154, 166));
    Fill(dc, kPaneLeft + 60, kPaneTop + kPaneHeight + 14, kPaneLeft + 92, kPaneTop + kPaneHeight + 24, RGB(90, 92, 102));
    Fill(dc, kPaneLeft + 30, kPaneTop + kPaneHeight + 24, kPaneLeft + 122, kPaneTop + kPaneHeight + 30, RGB(110, 114, 126));
    SetTextColor(dc, RGB(0, 0, 0));
    RECT name{16, kPageHeight - 40, kPageWidth - 16, kPageHeight - 16};
    DrawTextW(dc, L"スクリーン セーバー(S):  ベスカル", -1, &name, DT_SINGLELINE | DT_VCENTER);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// The pane as Windows' settings page has it. With `here` false the saver runs as Windows
// starts it, "<saver> /p <pane>", in a process of its own. With `here` true the preview
// window is made in this process by the program's own preview code, with the picture from
// the saver's resources: Wine 8 draws nothing for a child window whose parent belongs to
// another process, so on a virtual display only this shows what Windows shows.
int RunPane(const wchar_t* saver, bool here, DWORD seconds) {
  HWND page = MakeWindow(L"DemoPage", PageProc, L"画面のプロパティ", WS_POPUP, 40, 40, kPageWidth, kPageHeight,
                         nullptr, nullptr);
  HWND pane = MakeWindow(L"DemoPane", DefWindowProcW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, kPaneLeft,
                         kPaneTop, kPaneWidth, kPaneHeight, page, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  // Not activated: Wine without a window manager would otherwise treat the page as a
  // managed window and wait for a window manager when it closes.
  ShowWindow(page, SW_SHOWNOACTIVATE);
  UpdateWindow(page);

  int status = 0;
  win::UniqueHandle process;
  win::UniqueLibrary resources;
  preview::PreviewWindow preview;
  if (here) {
    resources.reset(LoadLibraryExW(saver, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!resources || !preview.open(pane, win::LoadSampleDesktop(resources.get()))) status = 1;
  } else {
    std::wstring command = L"\"" + std::wstring(saver) + L"\" /p " + std::to_wstring(reinterpret_cast<uintptr_t>(pane));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(saver, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      process.reset(pi.hProcess);
      const win::UniqueHandle thread(pi.hThread);  // not needed: let go at once
    } else {
      status = 1;
    }
  }
  if (status == 0) PumpFor(seconds * 1000);
  DestroyWindow(page);  // closing the page ends the preview (and its process)
  if (process) WaitForSingleObject(process.get(), 5000);
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // posted by the preview window's end
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"backdrop";
  if (mode == L"backdrop") {
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 600;
    // One made-up desktop on each monitor.
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) monitors.push_back({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    for (const RECT& m : monitors) {
      HWND w = MakeWindow(L"DemoBackdrop", BackdropProc, L"demo desktop", WS_POPUP | WS_VISIBLE, m.left, m.top,
                          m.right - m.left, m.bottom - m.top, nullptr, nullptr);
      UpdateWindow(w);
    }
    PumpFor(seconds * 1000);
    return 0;
  }
  if ((mode == L"pane" || mode == L"preview") && argc > 2) {
    const DWORD seconds = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 600;
    return RunPane(argv[2], mode == L"preview", seconds);
  }
  return 2;
}
