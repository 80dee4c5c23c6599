// Preview mode end to end: the real Veskar.scr started with "/p <handle>" for a window of
// this test, the way Windows' screen-saver settings start it for their preview pane.
// Wine draws nothing for a child window whose parent belongs to another process (the
// child's DC gets no X drawable), so these tests check where the preview is, what it is
// and how long it lives; its pixels are checked in one process by the shell tests
// (tests/win32/preview_window_test.cpp) on the same window code.
#include <algorithm>
#include <cstdint>
#include <string>

#include "harness.h"

using namespace e2e;

namespace {

std::wstring HandleText(HWND hwnd) { return std::to_wstring(reinterpret_cast<uintptr_t>(hwnd)); }

RECT ClientOnScreen(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

class Preview : public ::testing::Test {
 protected:
  void SetUp() override { folder_.copyFromBuild(L"Veskar.scr"); }

  // Shown without activation: under Wine without a window manager an activated window is
  // "managed", and destroying one then waits two seconds for a withdrawal that never
  // comes, which would hide how quickly the preview follows its parent.
  static void show(const OwnWindow& window) {
    ShowWindow(window.hwnd(), SW_SHOWNOACTIVATE);
    PumpFor(20);
  }

  Process startIn(HWND parent) { return StartSaver(folder_, L"/p " + HandleText(parent)); }

  // The saver's preview window inside `parent`, once it is there and shown.
  static HWND waitForPreview(HWND parent) {
    HWND child = nullptr;
    WaitUntil(
        [&] {
          PumpFor(0);
          child = FindWindowExW(parent, nullptr, nullptr, L"Preview Window");
          return child && IsWindowVisible(child);
        },
        15000);
    return child;
  }

  // The preview is the saver's borderless Veskar_R window, a child of `parent` covering
  // exactly its client area.
  static void expectFills(HWND preview, HWND parent, const Process& saver) {
    DWORD owner = 0;
    GetWindowThreadProcessId(preview, &owner);
    EXPECT_EQ(owner, saver.pid());
    EXPECT_EQ(GetParent(preview), parent);
    const LONG style = GetWindowLongW(preview, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & (WS_POPUP | WS_BORDER | WS_CAPTION | WS_THICKFRAME));
    wchar_t cls[64] = {};
    GetClassNameW(preview, cls, 64);
    EXPECT_STREQ(cls, L"Veskar_R");
    RECT placed{};
    GetWindowRect(preview, &placed);
    const RECT client = ClientOnScreen(parent);
    EXPECT_EQ(placed.left, client.left);
    EXPECT_EQ(placed.top, client.top);
    EXPECT_EQ(placed.right, client.right);
    EXPECT_EQ(placed.bottom, client.bottom);
  }

  TestFolder folder_;
};

}  // namespace

// Windows' pane is 152 x 112; larger panes (other DPIs, other hosts, one larger than the
// screen) get the same window stretched over them.
TEST_F(Preview, BecomesAChildThatFillsTheCallersWindow) {
  for (const SIZE size : {SIZE{152, 112}, SIZE{400, 300}, SIZE{2400, 2300}}) {
    OwnWindow pane(L"pane", size.cx, size.cy, false);
    show(pane);
    ASSERT_TRUE(pane.hwnd());
    Process saver = startIn(pane.hwnd());
    ASSERT_TRUE(saver.started());
    const HWND preview = waitForPreview(pane.hwnd());
    ASSERT_TRUE(preview) << size.cx << " x " << size.cy;
    expectFills(preview, pane.hwnd(), saver);
    // Two round trips through its message loop: it is up and waiting, not on its way out.
    for (int i = 0; i < 2; ++i) {
      DWORD_PTR ignored = 0;
      EXPECT_TRUE(SendMessageTimeoutW(preview, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored));
    }
    EXPECT_TRUE(saver.running()) << "the preview lives as long as its window";
    EXPECT_TRUE(WindowsOf(saver.pid()).size() <= 1u) << "no top-level window besides Wine's input-method window";
  }
}

TEST_F(Preview, EndsWithinASecondOnceTheCallerDestroysItsWindowOrClosesThePreview) {
  {
    OwnWindow pane(L"pane", 152, 112, false);
    show(pane);
    Process saver = startIn(pane.hwnd());
    ASSERT_TRUE(waitForPreview(pane.hwnd()));
    pane.destroy();
    const auto code = saver.waitExit(1000);
    ASSERT_TRUE(code.has_value()) << "still running a second after its window was destroyed";
    EXPECT_EQ(*code, 0u);
  }
  {
    OwnWindow pane(L"pane", 152, 112, false);
    show(pane);
    Process saver = startIn(pane.hwnd());
    const HWND preview = waitForPreview(pane.hwnd());
    ASSERT_TRUE(preview);
    PostMessageW(preview, WM_CLOSE, 0, 0);
    const auto code = saver.waitExit(1000);
    ASSERT_TRUE(code.has_value()) << "still running a second after its window was closed";
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(GetWindow(pane.hwnd(), GW_CHILD), nullptr);
  }
}

// A handle that names no window used to leave an invisible window and a process that
// never ended; now the process ends at once, opening nothing.
TEST_F(Preview, AHandleOfNoWindowEndsTheProcessAtOnce) {
  OwnWindow gone(L"gone", 152, 112, false);
  const std::wstring dead = HandleText(gone.hwnd());
  gone.destroy();
  for (const std::wstring& args : {std::wstring(L"/p 0"), L"/p " + dead, std::wstring(L"/p"),
                                   std::wstring(L"/p pane"), std::wstring(L"/p -1")}) {
    Process saver = StartSaver(folder_, args);
    ASSERT_TRUE(saver.endsCleanly(10000)) << Utf8(args) << ": still running, or not with code 0";
  }
  EXPECT_FALSE(FileExistsW(folder_.file(L"ベスカル.ini"))) << "preview mode never touches the settings";
}

// The settings file is not read in preview mode: a broken one changes nothing and stays
// exactly as it was.
TEST_F(Preview, ABrokenSettingsFileChangesNothing) {
  const std::string broken = std::string("\xFF\xFE[Sect\x81\r\n\x83\x78\x83\x58=\0\0", 16) + std::string(5000, '\x81');
  ASSERT_TRUE(WriteFileBytes(folder_.file(L"ベスカル.ini"), broken));
  OwnWindow pane(L"pane", 152, 112, false);
  show(pane);
  Process saver = startIn(pane.hwnd());
  const HWND preview = waitForPreview(pane.hwnd());
  ASSERT_TRUE(preview);
  expectFills(preview, pane.hwnd(), saver);
  pane.destroy();
  ASSERT_TRUE(saver.waitExit(5000).has_value());
  EXPECT_EQ(ReadFileBytes(folder_.file(L"ベスカル.ini")), broken);
}
