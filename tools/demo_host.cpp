// A stand-in for what surrounds the saver on a real desktop, for scripts/run on a
// virtual display (never shipped):
//   demo_host backdrop [seconds]          fills the screen with a made-up desktop
//   demo_host pane <saver> [seconds]      a preview pane like the one in Windows'
//                                         screen-saver settings, running "<saver> /p <pane>"
#include <windows.h>

#include <cmath>
#include <string>

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
  HBRUSH brush = CreateSolidBrush(c);
  RECT rc{l, t, r, b};
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
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
  // A Japanese face by name: the stock GUI font has no Japanese glyphs under Wine.
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, L"IPAPGothic");
  HGDIOBJ oldFont = SelectObject(dc, font);
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
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

LRESULT CALLBACK BackdropProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    DrawDesktop(dc, rc.right, rc.bottom);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"backdrop";
  if (mode == L"backdrop") {
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 600;
    HWND w = MakeWindow(L"DemoBackdrop", BackdropProc, L"demo desktop", WS_POPUP | WS_VISIBLE, 0, 0,
                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr);
    UpdateWindow(w);
    PumpFor(seconds * 1000);
    return 0;
  }
  if (mode == L"pane" && argc > 2) {
    const DWORD seconds = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 600;
    // A monitor drawing around a 152 x 112 pane, as Windows' settings page shows it.
    HWND frame = MakeWindow(L"DemoFrame", DefWindowProcW, L"スクリーン セーバーの設定",
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 40, 40, 260, 240,
                            nullptr, GetSysColorBrush(COLOR_BTNFACE));
    HWND monitor = MakeWindow(L"DemoMonitor", DefWindowProcW, L"", WS_CHILD | WS_VISIBLE, 40, 20, 168, 128,
                              frame, static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
    HWND pane = MakeWindow(L"DemoPane", DefWindowProcW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 8, 8,
                           152, 112, monitor, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    std::wstring command = L"\"" + std::wstring(argv[2]) + L"\" /p " +
                           std::to_wstring(reinterpret_cast<uintptr_t>(pane));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(argv[2], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1;
    PumpFor(seconds * 1000);
    DestroyWindow(frame);  // closing the pane ends the preview process
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
  }
  return 2;
}
