// The end-to-end helpers: processes, windows, input, screen pixels and files.
#include "harness.h"

#include "support/effect_log.h"

#include <algorithm>

namespace e2e {

size_t EffectCalls(const TestFolder& folder) {
  return testing_support::ParseEffectLog(ReadFileBytes(folder.file(L"effect-calls.txt"))).calls.size();
}

bool WaitForEffectCalls(const TestFolder& folder, size_t since, size_t more, DWORD timeoutMs) {
  return WaitUntil([&] { return EffectCalls(folder) >= since + more; }, timeoutMs);
}

bool WaitForHold(HWND show, DWORD timeoutMs) {
  return WaitUntil(
      [&] {
        DWORD_PTR ignored = 0;
        return IsWindow(show) && !SendMessageTimeoutW(show, WM_NULL, 0, 0, SMTO_NORMAL, 200, &ignored);
      },
      timeoutMs);
}

// ---- input

void PostKey(HWND hwnd, UINT vk, bool system) {
  const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16) | (system ? (1 << 29) : 0);
  const LPARAM up = down | (1u << 30) | (1u << 31);
  PostMessageW(hwnd, system ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, down);
  PostMessageW(hwnd, system ? WM_SYSKEYUP : WM_KEYUP, vk, up);
}

void PostClick(HWND hwnd, int x, int y, UINT button) {
  const LPARAM at = MAKELPARAM(x, y);
  UINT downMsg = WM_LBUTTONDOWN, upMsg = WM_LBUTTONUP;
  if (button == MK_RBUTTON) { downMsg = WM_RBUTTONDOWN; upMsg = WM_RBUTTONUP; }
  if (button == MK_MBUTTON) { downMsg = WM_MBUTTONDOWN; upMsg = WM_MBUTTONUP; }
  PostMessageW(hwnd, WM_MOUSEMOVE, 0, at);
  PostMessageW(hwnd, downMsg, button, at);
  PostMessageW(hwnd, upMsg, 0, at);
}

void PostMouseMove(HWND hwnd, int x, int y) { PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

void SendKey(UINT vk) {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = static_cast<WORD>(vk);
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

using testing_support::AbsoluteMouse;

void SendMouseMove(int x, int y) {
  INPUT in = AbsoluteMouse(x, y, MOUSEEVENTF_MOVE);
  SendInput(1, &in, sizeof(INPUT));
}

void SendClick(int x, int y, bool right) {
  INPUT in[3] = {AbsoluteMouse(x, y, MOUSEEVENTF_MOVE),
                 AbsoluteMouse(x, y, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN),
                 AbsoluteMouse(x, y, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)};
  SendInput(3, in, sizeof(INPUT));
}

// ---- screen

uint32_t ScreenPixel(int x, int y) { return CaptureScreen(RECT{x, y, x + 1, y + 1}).data.at(0); }

Pixels SaverBitmap(int id) {
  const win::UniqueLibrary saver(LoadLibraryExW((BuildFolder() + L"\\Veskar.scr").c_str(), nullptr,
                                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!saver) return {};
  const win::UniqueBitmap bitmap(static_cast<HBITMAP>(
      LoadImageW(saver.get(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  return testing_support::BitmapPixels(bitmap.get());
}

// ---- the test's own windows

namespace {
LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    const win::PaintDc dc(hwnd);
    auto bitmap = reinterpret_cast<HBITMAP>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));  // not ours
    const win::UniqueMemDc mem(CreateCompatibleDC(dc.get()));
    const win::Selected picked(mem.get(), bitmap);
    BITMAP bm{};
    GetObjectW(bitmap, sizeof bm, &bm);
    BitBlt(dc.get(), 0, 0, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, SRCCOPY);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

ScreenPicture::ScreenPicture(const Pixels& picture, POINT at) {
  BITMAPINFO bmi = testing_support::TopDown32(picture.width, picture.height);
  void* bits = nullptr;
  bitmap_.reset(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bitmap_ && bits) std::copy(picture.data.begin(), picture.data.end(), static_cast<uint32_t*>(bits));
  hwnd_ = testing_support::MakeTestWindow(L"VeskarTestPicture", &PictureProc, L"test picture", WS_POPUP | WS_VISIBLE,
                                         WS_EX_TOPMOST | WS_EX_TOOLWINDOW, picture.width, picture.height, at);
  SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bitmap_.get()));
  InvalidateRect(hwnd_.get(), nullptr, FALSE);
  UpdateWindow(hwnd_.get());
  WaitUntil(
      [&] {
        PumpFor(0);
        return CaptureScreen(RECT{at.x, at.y, at.x + picture.width, at.y + picture.height}).data == picture.data;
      },
      5000);
}

ScreenPicture::~ScreenPicture() {
  hwnd_.reset();  // before the bitmap it shows
  bitmap_.reset();
  PumpFor(50);
}

OwnWindow::OwnWindow(const std::wstring& title, int width, int height, bool visible, DWORD style) {
  hwnd_ = testing_support::MakeTestWindow(L"VeskarTestWindow", &DefWindowProcW, title, style, 0, width, height);
  // Shown without taking the activation: under Wine with no window manager, destroying an
  // active window waits about two seconds for the focus to move.
  if (visible) ShowWindow(hwnd_.get(), SW_SHOWNOACTIVATE);
  PumpFor(50);
}

OwnWindow::~OwnWindow() { destroy(); }

void OwnWindow::destroy() {
  hwnd_.reset();
  PumpFor(20);
}

}  // namespace e2e
