// The show over a capture that shows nothing: a screen covered by one black window stands
// for the secure screen-saver desktop. With a wallpaper set in the prefix the show covers
// the screen with it (aspect kept, cut about its centre); without one, or with one that
// cannot be read, with the preview's sample desktop; a capture with two different pixels
// is shown as it is. No effects library lies beside the program, so the picture stays
// still and the screen can be compared with what the load put into Display.
#include <objbase.h>
#include <wincodec.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "harness.h"
#include "win/com.h"

#include "../../assets/resource.h"

using namespace e2e;

namespace {

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

constexpr uint32_t kTopLeft = 0xE03020, kTopRight = 0x20C040, kBottomLeft = 0x3040D0,
                   kBottomRight = 0xF0E010, kMargin = 0x808080;

Pixels Filled(int width, int height, uint32_t colour) {
  Pixels p;
  p.width = width;
  p.height = height;
  p.data.assign(size_t(width) * height, colour);
  return p;
}

// A wallpaper of another aspect than the screen's: its middle third along the long side is
// exactly the part that, scaled up, covers the screen with the aspect kept, and holds four
// coloured quadrants; the two outer thirds are grey. A stretched picture, a letterboxed
// one or a cut that is not centred all show grey or black somewhere on the screen.
Pixels QuadrantWallpaper(bool wide) {
  const int sw = ScreenWidth(), sh = ScreenHeight();
  const int shortSide = 60;
  const int middle = wide ? (shortSide * sw + sh / 2) / sh : (shortSide * sh + sw / 2) / sw;
  Pixels p = Filled(wide ? 3 * middle : shortSide, wide ? shortSide : 3 * middle, kMargin);
  const int left = wide ? middle : 0, top = wide ? 0 : middle;
  const int width = wide ? middle : shortSide, height = wide ? shortSide : middle;
  for (int y = top; y < top + height; ++y)
    for (int x = left; x < left + width; ++x) {
      const bool right = 2 * (x - left) >= width, bottom = 2 * (y - top) >= height;
      p.data[size_t(y) * p.width + x] =
          bottom ? (right ? kBottomRight : kBottomLeft) : (right ? kTopRight : kTopLeft);
    }
  return p;
}

// `picture` as a PNG or JPEG file, through the Windows Imaging Component's encoders.
bool SaveEncoded(const Pixels& picture, const std::wstring& path, const GUID& container) {
  const win::ComApartment com;
  if (!com.usable()) return false;
  win::Com<IWICImagingFactory> factory;
  win::Com<IWICStream> stream;
  win::Com<IWICBitmapEncoder> encoder;
  win::Com<IWICBitmapFrameEncode> frame;
  win::Com<IPropertyBag2> options;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.putVoid())) ||
      FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(container, nullptr, encoder.put())) ||
      FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.put(), options.put())) || FAILED(frame->Initialize(options.get())) ||
      FAILED(frame->SetSize(UINT(picture.width), UINT(picture.height))))
    return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return false;
  const UINT rowBytes = UINT(picture.width) * 3;
  std::string bytes(size_t(rowBytes) * picture.height, '\0');
  for (size_t i = 0; i < picture.data.size(); ++i)
    for (int c = 0; c < 3; ++c) bytes[i * 3 + c] = char((picture.data[i] >> (8 * c)) & 0xFF);
  return SUCCEEDED(frame->WritePixels(UINT(picture.height), rowBytes, UINT(bytes.size()),
                                      reinterpret_cast<BYTE*>(bytes.data()))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

// The prefix's desktop wallpaper for one test; the old one is put back at the end.
class WallpaperSetting {
 public:
  WallpaperSetting() { SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, old_, 0); }
  ~WallpaperSetting() { SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, old_, SPIF_UPDATEINIFILE); }
  WallpaperSetting(const WallpaperSetting&) = delete;
  WallpaperSetting& operator=(const WallpaperSetting&) = delete;

  // As the settings pages of Windows set it.
  static bool Set(const std::wstring& path) {
    std::wstring copy = path;
    return SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, copy.data(), SPIF_UPDATEINIFILE);
  }
  // Only the user's registry value, which SPI_GETDESKWALLPAPER reads in a new process.
  static bool SetInRegistry(const std::wstring& path) {
    return RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper", REG_SZ, path.c_str(),
                           DWORD((path.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }

 private:
  wchar_t old_[MAX_PATH] = {};
};

int Channel(uint32_t c, int i) { return int((c >> (8 * i)) & 0xFF); }
bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int i = 0; i < 3; ++i)
    if (std::abs(Channel(a, i) - Channel(b, i)) > tolerance) return false;
  return true;
}

class BlankCapture : public ::testing::Test {
 protected:
  void SetUp() override { folder_.copyFromBuild(L"Veskar.scr"); }

  // Starts the show over `capture` and, once the show is on top, takes the picture away:
  // from then on the screen shows only what the show loaded.
  ::testing::AssertionResult startOver(const Pixels& capture) {
    auto shown = std::make_unique<ScreenPicture>(capture);
    if (CaptureScreen().data != capture.data) return ::testing::AssertionFailure() << "the picture is not shown";
    StartedSaver started = StartSaverWindow(folder_, L"/s", kShowTitle);
    saver_ = std::move(started.process);
    const HWND show = started.window;
    if (!show) return ::testing::AssertionFailure() << "no show window";
    show_ = show;
    if (!WaitUntil([&] { return (GetWindowLongW(show, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 10000))
      return ::testing::AssertionFailure() << "the show did not come on top";
    return ::testing::AssertionSuccess();
  }
  ::testing::AssertionResult startOverBlack() { return startOver(Filled(ScreenWidth(), ScreenHeight(), 0)); }

  // Waits for the screen to pass `check` (a count of wrong places, 0 for none), then ends
  // the show with a key. The last screen is kept in the test folder when it never did.
  template <typename Check>
  void expectScreen(Check check, const std::wstring& shot, const std::string& what) {
    Pixels screen;
    int wrong = -1;
    WaitUntil(
        [&] {
          screen = CaptureScreen();
          wrong = check(screen);
          return wrong == 0;
        },
        5000);
    EXPECT_EQ(wrong, 0) << what << ": wrong places on the screen";
    if (wrong != 0) SaveBmp(screen, folder_.file(shot));
    PostKey(show_, VK_ESCAPE);
    const auto code = saver_.waitExit(5000);
    EXPECT_TRUE(code.has_value() && *code == 0) << what << ": the show did not end on a key";
    saver_.kill();
  }

  TestFolder folder_;
  Process saver_;
  HWND show_ = nullptr;
};

// The quadrant wallpaper, covering the screen: each quadrant's colour over a grid of
// points `clear` pixels away from the middle lines (where the scaler blends the quadrants
// and JPEG rings), and on the outermost rows and columns.
int WrongQuadrants(const Pixels& screen, int tolerance, int clear) {
  const int w = screen.width, h = screen.height;
  int wrong = 0;
  auto expect = [&](int x, int y) {
    if (std::abs(2 * x - w) < 2 * clear || std::abs(2 * y - h) < 2 * clear) return;
    const bool right = 2 * x >= w, bottom = 2 * y >= h;
    const uint32_t want = bottom ? (right ? kBottomRight : kBottomLeft) : (right ? kTopRight : kTopLeft);
    if (!Near(screen.at(x, y), want, tolerance)) ++wrong;
  };
  for (int i = 0; i < 16; ++i)
    for (int j = 0; j < 12; ++j) expect((2 * i + 1) * w / 32, (2 * j + 1) * h / 24);
  for (int x = 0; x < w; x += 7) expect(x, 0), expect(x, h - 1);
  for (int y = 0; y < h; y += 7) expect(0, y), expect(w - 1, y);
  return wrong;
}

}  // namespace

TEST_F(BlankCapture, TheWallpaperCoversTheScreenWithItsAspectKeptAndCutAboutItsCentre) {
  const WallpaperSetting keep;
  struct Case {
    const wchar_t* file;
    bool wide;
    int tolerance, clear;  // JPEG is lossy: its 16-pixel blocks ring along the middle lines
    bool registryOnly;
  };
  const Case cases[] = {
      {L"tall.bmp", false, 2, 24, false},
      {L"wide.png", true, 2, 24, true},
      {L"wide.jpg", true, 40, 240, false},
  };
  for (const Case& c : cases) {
    const std::wstring path = folder_.file(c.file);
    const Pixels picture = QuadrantWallpaper(c.wide);
    const std::wstring ext = std::wstring(c.file).substr(std::wstring(c.file).rfind(L'.'));
    if (ext == L".bmp") {
      SaveBmp(picture, path);
    } else {
      ASSERT_TRUE(SaveEncoded(picture, path, ext == L".png" ? GUID_ContainerFormatPng : GUID_ContainerFormatJpeg))
          << Utf8(path);
    }
    ASSERT_TRUE(c.registryOnly ? WallpaperSetting::SetInRegistry(path) : WallpaperSetting::Set(path));
    ASSERT_TRUE(startOverBlack());
    expectScreen([&](const Pixels& screen) { return WrongQuadrants(screen, c.tolerance, c.clear); },
                 std::wstring(c.file) + L".screen.bmp", Utf8(c.file));
  }
}

TEST_F(BlankCapture, NoWallpaperOrAnUnreadableOneGivesTheSampleDesktopStretched) {
  const WallpaperSetting keep;
  const Pixels sample = SaverBitmap(IDB_PREVIEW);
  ASSERT_GT(sample.width, 0);
  ASSERT_TRUE(WriteFileBytes(folder_.file(L"broken.jpg"), std::string(4000, '\x5A')));
  // The middle of each sample pixel's stretched span shows that pixel (a plain stretch,
  // wherever its rounding puts the span's ends).
  auto wrongSample = [&](const Pixels& screen) {
    int wrong = 0;
    for (int sy = 0; sy < sample.height; ++sy)
      for (int sx = 0; sx < sample.width; ++sx) {
        const int x = (2 * sx + 1) * screen.width / (2 * sample.width);
        const int y = (2 * sy + 1) * screen.height / (2 * sample.height);
        if (screen.at(x, y) != sample.at(sx, sy)) ++wrong;
      }
    return wrong;
  };
  for (const std::wstring& wallpaper : {std::wstring(), folder_.file(L"broken.jpg")}) {
    ASSERT_TRUE(WallpaperSetting::Set(wallpaper));
    ASSERT_TRUE(startOverBlack());
    expectScreen(wrongSample, L"sample.screen.bmp", wallpaper.empty() ? "no wallpaper" : "a broken wallpaper");
  }
}

// One pixel in the last row, one step off black in one channel, makes a picture: the show
// keeps the capture, even with a wallpaper set.
TEST_F(BlankCapture, TwoDifferentPixelsAreAPictureShownAsItIs) {
  const WallpaperSetting keep;
  const std::wstring path = folder_.file(L"tall.bmp");
  SaveBmp(QuadrantWallpaper(false), path);
  ASSERT_TRUE(WallpaperSetting::Set(path));
  Pixels capture = Filled(ScreenWidth(), ScreenHeight(), 0);
  capture.data[capture.data.size() - 2] = 0x000100;
  ASSERT_TRUE(startOver(capture));
  expectScreen([&](const Pixels& screen) { return screen.data == capture.data ? 0 : 1; }, L"capture.screen.bmp",
               "an almost black capture");
}
