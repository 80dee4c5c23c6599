// The pictures inside the built Veskar.scr, loaded as the program and Windows load them:
// the right picture behind every id, at its size and depth, with the colours the button,
// the dialog and Explorer rely on.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "resource.h"
#include "win/handle.h"
#include "win/module.h"
#include "win/strings.h"
#include "win32/pixels.h"

using testpix::Pixels;

namespace {

constexpr uint32_t Rgb(int r, int g, int b) {
  return static_cast<uint32_t>((r << 16) | (g << 8) | b);
}

int Red(uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
int Green(uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(uint32_t c) { return static_cast<int>(c & 0xFF); }

bool Near(uint32_t c, uint32_t want, int tolerance) {
  return std::abs(Red(c) - Red(want)) <= tolerance && std::abs(Green(c) - Green(want)) <= tolerance &&
         std::abs(Blue(c) - Blue(want)) <= tolerance;
}

// Veskar.scr, built beside this test, opened for its resources.
class SaverResources {
 public:
  SaverResources()
      : module_(LoadLibraryExW(win::widen(win::ProgramFolder() + "\\Veskar.scr").c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  HMODULE module() const { return module_.get(); }
  Pixels bitmap(int id, int* bitsPerPixel = nullptr) const {
    win::UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(module(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    return testpix::OfBitmap(bitmap.get(), bitsPerPixel);
  }
  std::string bytes(const wchar_t* type, int id) const {
    HRSRC found = FindResourceW(module(), MAKEINTRESOURCEW(id), type);
    const void* data = found ? LockResource(LoadResource(module(), found)) : nullptr;
    return data ? std::string(static_cast<const char*>(data), SizeofResource(module(), found)) : std::string();
  }

 private:
  win::UniqueLibrary module_;
};

class Artwork : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(res_.module()) << "Veskar.scr did not load as a resource file"; }
  SaverResources res_;
};

constexpr uint32_t kFrameBlue = Rgb(0, 60, 116);
constexpr uint32_t kMargin = Rgb(236, 233, 216);

}  // namespace

TEST_F(Artwork, EverySkinIs64By25InTrueColourWithAFourPixelFrame) {
  for (int id : {IDB_SKIN_NORMAL, IDB_SKIN_HIGHLIGHT, IDB_SKIN_HIGHLIGHTSELECT, IDB_SKIN_SELECTED,
                 IDB_SKIN_PRESSED, IDB_SKIN_DISABLE}) {
    int bits = 0;
    const Pixels skin = res_.bitmap(id, &bits);
    EXPECT_EQ(skin.width, 64) << id;
    EXPECT_EQ(skin.height, 25) << id;
    EXPECT_EQ(bits, 24) << id;
  }
  // The button draws only the outer 4 pixels; the hover look of a focused button uses
  // HighLightSelect, which must not differ from HighLight by a single pixel.
  EXPECT_EQ(res_.bitmap(IDB_SKIN_HIGHLIGHT).data, res_.bitmap(IDB_SKIN_HIGHLIGHTSELECT).data);
}

TEST_F(Artwork, EachSkinCarriesItsOwnLook) {
  const Pixels normal = res_.bitmap(IDB_SKIN_NORMAL);
  const Pixels high = res_.bitmap(IDB_SKIN_HIGHLIGHT);
  const Pixels selected = res_.bitmap(IDB_SKIN_SELECTED);
  const Pixels pressed = res_.bitmap(IDB_SKIN_PRESSED);
  const Pixels disable = res_.bitmap(IDB_SKIN_DISABLE);
  ASSERT_FALSE(normal.data.empty() || high.data.empty() || selected.data.empty() ||
               pressed.data.empty() || disable.data.empty());

  // Normal, HighLight and Selected: the dark blue frame is the second ring on all four
  // sides, and its corners are rounded (the corner pixel of that ring is not blue).
  for (const Pixels* skin : {&normal, &high, &selected}) {
    EXPECT_EQ(skin->at(32, 1), kFrameBlue);
    EXPECT_EQ(skin->at(32, 23), kFrameBlue);
    EXPECT_EQ(skin->at(1, 12), kFrameBlue);
    EXPECT_EQ(skin->at(62, 12), kFrameBlue);
    EXPECT_NE(skin->at(1, 1), kFrameBlue);
    EXPECT_NE(skin->at(62, 23), kFrameBlue);
    EXPECT_TRUE(Near(skin->at(32, 0), Rgb(255, 255, 255), 20)) << "light outer ring";
  }
  EXPECT_EQ(normal.at(32, 21), Rgb(214, 208, 197)) << "the innermost bottom line";
  // The glows: amber for the hover look, blue for the focus.
  EXPECT_EQ(high.at(32, 2), Rgb(255, 240, 207));
  EXPECT_EQ(high.at(32, 3), Rgb(252, 210, 121));
  EXPECT_EQ(high.at(32, 22), Rgb(229, 151, 0));
  EXPECT_EQ(selected.at(32, 2), Rgb(206, 231, 255));
  EXPECT_EQ(selected.at(32, 22), Rgb(105, 130, 238));
  // Pressed: the Normal frame one pixel right and down, a margin at the top and left.
  EXPECT_EQ(pressed.at(32, 0), kMargin);
  EXPECT_EQ(pressed.at(0, 12), kMargin);
  EXPECT_EQ(pressed.at(32, 2), kFrameBlue);
  EXPECT_EQ(pressed.at(2, 12), kFrameBlue);
  EXPECT_EQ(pressed.at(63, 12), kFrameBlue);
  EXPECT_EQ(pressed.at(32, 24), kFrameBlue);
  EXPECT_LT(Red(pressed.at(32, 3)), Red(pressed.at(32, 22))) << "shading darker at the top";
  // Disable: margin, grey frame, flat pale inside.
  EXPECT_EQ(disable.at(32, 0), kMargin);
  EXPECT_EQ(disable.at(32, 1), Rgb(201, 199, 186));
  EXPECT_EQ(disable.at(1, 12), Rgb(201, 199, 186));
  EXPECT_EQ(disable.at(3, 12), Rgb(245, 244, 234));
  EXPECT_EQ(disable.at(32, 12), Rgb(245, 244, 234));
}

TEST_F(Artwork, PreviewPictureIsA152By112DesktopInSquareBlocks) {
  int bits = 0;
  const Pixels preview = res_.bitmap(IDB_PREVIEW, &bits);
  ASSERT_EQ(preview.width, 152);
  ASSERT_EQ(preview.height, 112);
  EXPECT_EQ(bits, 24);
  // Every 4 x 4 block is one colour, and neighbouring blocks are not all alike.
  int distinct = 0;
  for (int by = 0; by < 112; by += 4) {
    for (int bx = 0; bx < 152; bx += 4) {
      for (int y = by; y < by + 4; ++y)
        for (int x = bx; x < bx + 4; ++x) ASSERT_EQ(preview.at(x, y), preview.at(bx, by)) << x << "," << y;
      if (bx > 0 && preview.at(bx, by) != preview.at(bx - 4, by)) ++distinct;
    }
  }
  EXPECT_GT(distinct, 100);
}

TEST_F(Artwork, TextureAndRadioLooks) {
  int bits = 0;
  const Pixels texture = res_.bitmap(IDB_TEXTURE, &bits);
  ASSERT_EQ(texture.width, 556);
  ASSERT_EQ(texture.height, 20);
  EXPECT_EQ(bits, 24);
  // Light grey at the left end, a darker warm grey at the right end, streaks between.
  auto columnMean = [&](int x0, int x1) {
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = x0; x < x1; ++x, ++n) {
        r += Red(texture.at(x, y));
        g += Green(texture.at(x, y));
        b += Blue(texture.at(x, y));
      }
    return Rgb(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n));
  };
  EXPECT_TRUE(Near(columnMean(0, 8), Rgb(223, 223, 223), 6));
  EXPECT_TRUE(Near(columnMean(548, 556), Rgb(176, 168, 160), 6));
  EXPECT_NE(texture.at(100, 5), texture.at(100, 6)) << "rows differ: streaks";

  for (int id : {IDB_RADIO_OFF, IDB_RADIO_ON}) {
    const Pixels radio = res_.bitmap(id, &bits);
    EXPECT_EQ(radio.width, 12);
    EXPECT_EQ(radio.height, 12);
  }
  const Pixels off = res_.bitmap(IDB_RADIO_OFF), on = res_.bitmap(IDB_RADIO_ON);
  ASSERT_FALSE(off.data.empty() || on.data.empty());
  EXPECT_EQ(off.at(6, 6), Rgb(255, 255, 255));
  EXPECT_LT(Red(off.at(0, 6)), 200);
  EXPECT_EQ(Red(off.at(0, 6)), Blue(off.at(0, 6))) << "grey edge";
  EXPECT_GT(Blue(on.at(6, 6)), 2 * Red(on.at(6, 6))) << "blue inside";
  EXPECT_GT(Blue(on.at(0, 6)), Red(on.at(0, 6)));
  EXPECT_GT(Red(on.at(0, 6)) + Green(on.at(0, 6)), Red(on.at(6, 6)) + Green(on.at(6, 6))) << "lighter edge";
}

TEST_F(Artwork, HandCursorIsTwoColourWithItsHotSpotOnTheFingertip) {
  HCURSOR hand = static_cast<HCURSOR>(LoadImageW(res_.module(), MAKEINTRESOURCEW(IDC_LINK_HAND), IMAGE_CURSOR, 0, 0, 0));
  ASSERT_TRUE(hand);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(hand, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 12u);
  EXPECT_EQ(info.yHotspot, 10u);
  EXPECT_EQ(info.hbmColor, nullptr) << "a two-colour cursor has only its mask bitmap";
  BITMAP mask{};
  GetObjectW(info.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(mask.bmWidth, 32);
  EXPECT_EQ(mask.bmHeight, 64);  // AND mask over XOR mask
  // The hot spot is drawn (AND bit 0) in black (XOR bit 0); the corner is transparent.
  std::vector<uint8_t> rows(static_cast<size_t>(mask.bmWidthBytes) * 64);
  GetBitmapBits(info.hbmMask, static_cast<LONG>(rows.size()), rows.data());
  auto bit = [&](int x, int y) { return (rows[static_cast<size_t>(y) * mask.bmWidthBytes + x / 8] >> (7 - x % 8)) & 1; };
  EXPECT_EQ(bit(12, 10), 0);
  EXPECT_EQ(bit(12, 32 + 10), 0);
  EXPECT_EQ(bit(0, 0), 1);
  EXPECT_EQ(bit(12, 9), 1) << "nothing above the fingertip";
  DeleteObject(info.hbmMask);
  DestroyCursor(hand);
}

TEST_F(Artwork, IconHasTheSizesWindowsAsksFor) {
  // The group directory: 6 bytes, then 14 per entry (width, height, colours, reserved,
  // planes, bit count, size, id).
  const std::string group = res_.bytes(RT_GROUP_ICON, IDI_VESKAR);
  ASSERT_GE(group.size(), 6u);
  const auto u8 = [&](size_t at) { return static_cast<unsigned char>(group[at]); };
  const size_t count = u8(4) | (u8(5) << 8);
  ASSERT_EQ(group.size(), 6 + 14 * count);
  bool has32In256Colours = false;
  std::vector<int> trueColourSizes;
  for (size_t i = 0; i < count; ++i) {
    const size_t e = 6 + 14 * i;
    const int size = u8(e) ? u8(e) : 256;
    const int bits = u8(e + 6) | (u8(e + 7) << 8);
    if (size == 32 && bits == 8) has32In256Colours = true;
    if (bits == 32) trueColourSizes.push_back(size);
  }
  EXPECT_TRUE(has32In256Colours) << "the window's icon: 32 x 32 in 256 colours";
  EXPECT_EQ(trueColourSizes, (std::vector<int>{16, 32, 48, 256}));

  // Each size loads at its own size, the 256 one from its PNG.
  for (int size : {16, 32, 48, 256}) {
    HICON icon = static_cast<HICON>(LoadImageW(res_.module(), MAKEINTRESOURCEW(IDI_VESKAR), IMAGE_ICON, size, size, 0));
    ASSERT_TRUE(icon) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    ASSERT_TRUE(info.hbmColor);
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    EXPECT_EQ(colour.bmHeight, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  const int big = LookupIconIdFromDirectoryEx(
      reinterpret_cast<PBYTE>(const_cast<char*>(group.data())), TRUE, 256, 256, LR_DEFAULTCOLOR);
  const std::string png = res_.bytes(RT_ICON, big);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
  HICON decoded = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(const_cast<char*>(png.data())),
                                           static_cast<DWORD>(png.size()), TRUE, 0x00030000, 256, 256, 0);
  EXPECT_TRUE(decoded) << "the PNG entry decodes";
  if (decoded) DestroyIcon(decoded);
}
