// The preview window under a parent window of this test. Wine draws nothing for a child
// window whose parent belongs to another process (its DC gets no X drawable), so the
// end-to-end tests check the preview's place and life (how it ends with its caller, and
// at once for a handle of no window) but not its pixels; here, in one process, the
// pixels of the real window code are checked on the screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "preview/preview_window_win.h"
#include "support/win32_helpers.h"
#include "win32/pixels.h"

namespace {

using testpix::Pixels;

using testing_support::PumpUntil;
void Pump() { PumpUntil([] { return true; }); }

bool TakeQuit() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

// A top-level window of the test at the screen's top-left corner.
class Parent {
 public:
  Parent(int width, int height, DWORD style = WS_POPUP)
      : hwnd_(testing_support::MakeTestWindow(L"PreviewTestParent", &DefWindowProcW, L"parent", style, WS_EX_TOPMOST,
                                              width, height)) {
    // Not activated: under Wine without a window manager an active window is "managed",
    // and hiding or destroying one waits for a withdrawal that never comes.
    ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    Pump();
  }
  HWND hwnd() const { return hwnd_.get(); }
  void destroy() { hwnd_.reset(); }
  RECT clientOnScreen() const {
    RECT rc{};
    GetClientRect(hwnd(), &rc);
    MapWindowPoints(hwnd(), nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
  }

 private:
  win::UniqueWindow hwnd_;
};

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // This test carries the program's resources, so the picture loads as the program's.
    picture_ = testpix::OfBitmap(picture().get());
    ASSERT_EQ(picture_.width, 152);
    ASSERT_EQ(picture_.height, 112);
  }
  void TearDown() override {
    Pump();
    TakeQuit();
  }

  static win::UniqueBitmap picture() { return win::LoadSampleDesktop(GetModuleHandleW(nullptr)); }

  // Every pixel is the stored pixel nearest to it, or one of that pixel's neighbours (a
  // stretch may round a position either way); a smoothing stretch, which makes colours
  // the picture does not have at the block edges, does not pass.
  ::testing::AssertionResult showsPicture(const Pixels& seen) const {
    for (int y = 0; y < seen.height; ++y) {
      for (int x = 0; x < seen.width; ++x) {
        const int sx = static_cast<int>((x + 0.5) * picture_.width / seen.width);
        const int sy = static_cast<int>((y + 0.5) * picture_.height / seen.height);
        bool match = false;
        for (int dy = -1; dy <= 1 && !match; ++dy)
          for (int dx = -1; dx <= 1 && !match; ++dx) {
            const int px = sx + dx, py = sy + dy;
            if (px >= 0 && py >= 0 && px < picture_.width && py < picture_.height)
              match = seen.at(x, y) == picture_.at(px, py);
          }
        if (!match) {
          return ::testing::AssertionFailure() << "pixel " << x << "," << y << " of " << seen.width << " x "
                                               << seen.height << " is " << std::hex << seen.at(x, y);
        }
      }
    }
    return ::testing::AssertionSuccess();
  }

  Pixels picture_;
};

}  // namespace

TEST_F(PreviewWindowTest, ShowsThePictureAtItsStoredSizeAndStretchedToAnySize) {
  for (const SIZE size : {SIZE{152, 112}, SIZE{400, 300}, SIZE{100, 60}, SIZE{613, 97}}) {
    Parent parent(size.cx, size.cy);
    preview::PreviewWindow window;
    ASSERT_TRUE(window.open(parent.hwnd(), picture()));
    EXPECT_TRUE(PumpUntil([&] { return showsPicture(testpix::OfScreen(parent.clientOnScreen())); }));
    EXPECT_EQ(GetParent(window.hwnd()), parent.hwnd());
    RECT client{};
    GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(client.right, size.cx);
    EXPECT_EQ(client.bottom, size.cy);
    const Pixels seen = testpix::OfScreen(parent.clientOnScreen());
    if (size.cx == 152 && size.cy == 112) {
      EXPECT_EQ(seen.data, picture_.data) << "at the stored size every pixel stays in place";
    }
    EXPECT_TRUE(showsPicture(seen)) << size.cx << " x " << size.cy;
  }
}

TEST_F(PreviewWindowTest, FillsTheClientAreaOfAFramedParent) {
  Parent parent(360, 280, WS_OVERLAPPEDWINDOW);
  preview::PreviewWindow window;
  ASSERT_TRUE(window.open(parent.hwnd(), picture()));
  const RECT client = parent.clientOnScreen();
  EXPECT_TRUE(PumpUntil([&] { return showsPicture(testpix::OfScreen(client)); }));
  RECT placed{};
  GetWindowRect(window.hwnd(), &placed);
  EXPECT_TRUE(EqualRect(&placed, &client));
  EXPECT_TRUE(showsPicture(testpix::OfScreen(client)));
}

TEST_F(PreviewWindowTest, WithoutItsPictureShowsTheLightGreyBackground) {
  Parent parent(80, 60);
  preview::PreviewWindow window;
  ASSERT_TRUE(window.open(parent.hwnd(), win::UniqueBitmap()));
  PumpUntil([&] { return testpix::OfScreen(parent.clientOnScreen()).data.front() == 0xC0C0C0u; });
  const Pixels seen = testpix::OfScreen(parent.clientOnScreen());
  for (uint32_t c : seen.data) ASSERT_EQ(c, 0xC0C0C0u);
}
