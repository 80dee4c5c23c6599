// The end-to-end helpers: processes, windows, input, screen pixels and files.
#include "harness.h"

#include <algorithm>
#include <utility>

namespace e2e {

std::string Cp932(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::wstring Utf16(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const std::wstring& utf16) {
  if (utf16.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring BuildFolder() {
  wchar_t path[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L'\\'));
}

// ---- folders and files

namespace {
struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};
using UniqueFind = win::Unique<FindTraits>;

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  const UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &fd));
  if (find) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = folder + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
      else DeleteFileW(full.c_str());
    } while (FindNextFileW(find.get(), &fd));
  }
  SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(folder.c_str());
}
}  // namespace

TestFolder::TestFolder(const std::string& name) {
  const std::wstring root = BuildFolder() + L"\\e2e-work";
  CreateDirectoryW(root.c_str(), nullptr);
  path_ = root + L"\\" + Utf16(name);
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

TestFolder::~TestFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (info && info->result() && info->result()->Failed()) return;  // keep it to look at
  RemoveTree(path_);
}

void TestFolder::copyFromBuild(const std::wstring& name, const std::wstring& as) const {
  const std::wstring from = BuildFolder() + L"\\" + name;
  const std::wstring to = file(as.empty() ? name : as);
  ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << Utf8(from);
}

int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return -1;
  return (static_cast<int64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

std::wstring RawAudioPath() {
  wchar_t path[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableW(L"VESKAR_AUDIO_RAW", path, MAX_PATH * 2);
  return n > 0 && n < MAX_PATH * 2 ? std::wstring(path, n) : std::wstring();
}

std::wstring SourceTreeFile(const std::string& relative) {
  const std::string self = __FILE__;  // <root>/tests/e2e/harness.cpp
  std::string path = "Z:" + self.substr(0, self.rfind("/tests/")) + "/" + relative;
  std::replace(path.begin(), path.end(), '/', '\\');
  return Utf16(path);
}

bool FileExistsW(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---- processes

Process::Process(Process&& other) noexcept
    : process_(std::move(other.process_)), pid_(std::exchange(other.pid_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    kill();  // the program this one started does not outlive it
    process_ = std::move(other.process_);
    pid_ = std::exchange(other.pid_, 0);
  }
  return *this;
}

Process::~Process() { kill(); }

Process Process::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& folder) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!args.empty()) commandLine += L" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  Process p;
  if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     folder.c_str(), &si, &pi)) {
    const win::UniqueHandle thread(pi.hThread);
    p.process_.reset(pi.hProcess);
    p.pid_ = pi.dwProcessId;
  }
  return p;
}

bool Process::running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::waitExit(DWORD timeoutMs) const {
  if (!process_) return std::nullopt;
  // Keep our own windows answering while we wait: the saver may send them messages.
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    const DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
    const HANDLE process = process_.get();
    const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) break;
    if (r != WAIT_OBJECT_0 + 1) return std::nullopt;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

void Process::kill() {
  if (!process_) return;
  if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 999);
    WaitForSingleObject(process_.get(), 5000);
  }
  process_.reset();
}

Process StartSaver(const TestFolder& folder, const std::wstring& args) {
  return Process::Start(folder.file(L"Veskar.scr"), args, folder.path());
}

// ---- windows

namespace {
struct Search {
  const std::wstring* title;
  DWORD pid;
  HWND found;
  std::vector<HWND>* all;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (s->pid && pid != s->pid) return TRUE;
  if (s->all) {
    s->all->push_back(hwnd);
    return TRUE;
  }
  wchar_t text[256];
  const int n = GetWindowTextW(hwnd, text, 256);
  if (std::wstring(text, n) == *s->title) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND WaitForWindow(const std::wstring& title, DWORD timeoutMs, DWORD pid) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        Search s{&title, pid, nullptr, nullptr};
        EnumWindows(&Visit, reinterpret_cast<LPARAM>(&s));
        found = s.found;
        if (!found) PumpFor(0);
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

std::vector<HWND> WindowsOf(DWORD pid) {
  std::vector<HWND> all;
  Search s{nullptr, pid, nullptr, &all};
  EnumWindows(&Visit, reinterpret_cast<LPARAM>(&s));
  return all;
}

void PumpFor(DWORD ms) {
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

Pixels CaptureScreen(const RECT& area) {
  Pixels p;
  p.width = area.right - area.left;
  p.height = area.bottom - area.top;
  if (p.width <= 0 || p.height <= 0) return p;
  p.data.resize(static_cast<size_t>(p.width) * p.height);
  const win::WindowDc screen(nullptr);
  const win::UniqueMemDc mem(CreateCompatibleDC(screen.get()));
  BITMAPINFO bmi = testing_support::TopDown32(p.width, p.height);
  void* bits = nullptr;
  const win::UniqueBitmap dib(CreateDIBSection(screen.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!mem || !dib || !bits) return p;  // black
  const win::Selected picked(mem.get(), dib.get());
  BitBlt(mem.get(), 0, 0, p.width, p.height, screen.get(), area.left, area.top, SRCCOPY);
  GdiFlush();
  const auto* src = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < p.data.size(); ++i) p.data[i] = src[i] & 0x00FFFFFF;
  return p;
}

Pixels CaptureScreen() {
  return CaptureScreen(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

uint32_t ScreenPixel(int x, int y) { return CaptureScreen(RECT{x, y, x + 1, y + 1}).data.at(0); }

void SaveBmp(const Pixels& pixels, const std::wstring& path) {
  const int rowBytes = (pixels.width * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = pixels.width;
  ih.biHeight = -pixels.height;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(rowBytes) * pixels.height;
  std::string out(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.append(reinterpret_cast<const char*>(&ih), sizeof ih);
  std::string row(static_cast<size_t>(rowBytes), '\0');
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      const uint32_t c = pixels.at(x, y);
      row[x * 3] = static_cast<char>(c & 0xFF);
      row[x * 3 + 1] = static_cast<char>((c >> 8) & 0xFF);
      row[x * 3 + 2] = static_cast<char>((c >> 16) & 0xFF);
    }
    out += row;
  }
  WriteFileBytes(path, out);
}

Pixels SaverBitmap(int id) {
  Pixels p;
  const win::UniqueLibrary saver(LoadLibraryExW((BuildFolder() + L"\\Veskar.scr").c_str(), nullptr,
                                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!saver) return p;
  const win::UniqueBitmap bitmap(static_cast<HBITMAP>(
      LoadImageW(saver.get(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  BITMAP bm{};
  if (bitmap && GetObjectW(bitmap.get(), sizeof bm, &bm)) {
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    p.data.resize(static_cast<size_t>(p.width) * p.height);
    BITMAPINFO bmi = testing_support::TopDown32(p.width, p.height);
    const win::WindowDc screen(nullptr);
    GetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(p.height), p.data.data(), &bmi,
              DIB_RGB_COLORS);
    for (uint32_t& c : p.data) c &= 0x00FFFFFF;
  }
  return p;
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

const wchar_t* RegisterOnce(const wchar_t* name, WNDPROC proc) {
  WNDCLASSW wc{};
  if (!GetClassInfoW(GetModuleHandleW(nullptr), name, &wc)) {
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&wc);
  }
  return name;
}
}  // namespace

ScreenPicture::ScreenPicture(const Pixels& picture, POINT at) {
  BITMAPINFO bmi = testing_support::TopDown32(picture.width, picture.height);
  void* bits = nullptr;
  bitmap_.reset(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bitmap_ && bits) std::copy(picture.data.begin(), picture.data.end(), static_cast<uint32_t*>(bits));
  hwnd_.reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW,
                              RegisterOnce(L"VeskarTestPicture", &PictureProc), L"test picture",
                              WS_POPUP | WS_VISIBLE, at.x, at.y, picture.width, picture.height, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr));
  SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bitmap_.get()));
  InvalidateRect(hwnd_.get(), nullptr, FALSE);
  UpdateWindow(hwnd_.get());
  PumpFor(300);
}

ScreenPicture::~ScreenPicture() {
  hwnd_.reset();  // before the bitmap it shows
  bitmap_.reset();
  PumpFor(50);
}

OwnWindow::OwnWindow(const std::wstring& title, int width, int height, bool visible, DWORD style) {
  hwnd_.reset(CreateWindowExW(0, RegisterOnce(L"VeskarTestWindow", &DefWindowProcW), title.c_str(),
                              style, 0, 0, width, height, nullptr, nullptr, GetModuleHandleW(nullptr),
                              nullptr));
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
