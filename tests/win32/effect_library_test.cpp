// Runo_Effect.dll on real DCs (DIB sections both ways up, device-dependent and 24-bit
// bitmaps, random pictures held to the plain loop, mismatched sizes, bad arguments), and
// the show's binding of it by name.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <random>
#include <vector>

#include "effects/pixelate.h"
#include "show/effect_library_win.h"
#include "support/pixelate_cases.h"
#include "win/handle.h"
#include "win/module.h"
#include "win/strings.h"
#include "win32/pixels.h"

namespace {

using Entry = show::EffectLibrary::Entry;

class Library {
 public:
  Library() : module_(LoadLibraryW(win::widen(win::ProgramFolder() + "\\Runo_Effect.dll").c_str())) {
    if (module_) entry_ = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_.get(), "GPX_Veskar")));
  }
  HMODULE module() const { return module_.get(); }
  Entry entry() const { return entry_; }

 private:
  win::UniqueLibrary module_;
  Entry entry_ = nullptr;
};

// A bitmap selected into a memory DC, with the picture read and written through
// GetDIBits/SetDIBits as 32-bit top-down rows (the way a user sees it).
class Bitmap {
 public:
  enum Kind { TopDown32, BottomUp32, Device, Dib24 };

  Bitmap(Kind kind, int w, int h) : w_(w), h_(h), dc_(CreateCompatibleDC(nullptr)) {
    if (kind == Device) {
      win::WindowDc screen(nullptr);
      bitmap_.reset(CreateCompatibleBitmap(screen.get(), w, h));
    } else {
      BITMAPINFO bmi{};
      bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
      bmi.bmiHeader.biWidth = w;
      bmi.bmiHeader.biHeight = kind == BottomUp32 ? h : -h;
      bmi.bmiHeader.biPlanes = 1;
      bmi.bmiHeader.biBitCount = kind == Dib24 ? 24 : 32;
      void* bits = nullptr;
      bitmap_.reset(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    old_ = SelectObject(dc_.get(), bitmap_.get());
  }
  ~Bitmap() { SelectObject(dc_.get(), old_); }

  HDC dc() const { return dc_.get(); }
  std::vector<uint32_t> read() const {
    std::vector<uint32_t> px(size_t(w_) * h_);
    BITMAPINFO bmi = Info();
    GdiFlush();
    GetDIBits(dc_.get(), bitmap_.get(), 0, UINT(h_), px.data(), &bmi, DIB_RGB_COLORS);
    return px;
  }
  void write(const std::vector<uint32_t>& px) {
    BITMAPINFO bmi = Info();
    SetDIBits(dc_.get(), bitmap_.get(), 0, UINT(h_), px.data(), &bmi, DIB_RGB_COLORS);
    GdiFlush();
  }

 private:
  BITMAPINFO Info() const { return testpix::TopDown32(w_, h_); }
  int w_, h_;
  win::UniqueMemDc dc_;
  win::UniqueBitmap bitmap_;
  HGDIOBJ old_ = nullptr;
};

// Colour noise without the top byte, which not every bitmap kind keeps.
std::vector<uint32_t> Noise(int w, int h, uint32_t seed) {
  std::vector<uint32_t> px(size_t(w) * h);
  std::mt19937 rng(seed);
  for (auto& p : px) p = rng() & 0xFFFFFF;
  return px;
}

std::vector<uint32_t> Expected(const std::vector<uint32_t>& src, int w, int h, int32_t level) {
  std::vector<uint32_t> out(src.size());
  effects::PixelatePortable({src.data(), w}, {out.data(), w}, w, h, level);
  return out;
}

std::vector<uint32_t> Rgb(std::vector<uint32_t> px) {
  for (auto& p : px) p &= 0xFFFFFF;
  return px;
}

}  // namespace

TEST(EffectLibrary, ExportsOnlyTheUndecoratedEntry) {
  const Library lib;
  ASSERT_NE(lib.module(), nullptr);
  ASSERT_NE(lib.entry(), nullptr);
  // Walk the export directory: one name, exactly "GPX_Veskar".
  const auto* base = reinterpret_cast<const BYTE*>(lib.module());
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  ASSERT_EQ(exports->NumberOfNames, 1u);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  EXPECT_STREQ(reinterpret_cast<const char*>(base + names[0]), "GPX_Veskar");
}

TEST(EffectLibrary, RendersDibSectionsInPlaceAsTheKernelDoes) {
  const Library lib;
  ASSERT_NE(lib.entry(), nullptr);
  const int w = 101, h = 67;
  for (auto dstKind : {Bitmap::TopDown32, Bitmap::BottomUp32}) {
    for (auto srcKind : {Bitmap::TopDown32, Bitmap::BottomUp32}) {
      Bitmap src(srcKind, w, h), dst(dstKind, w, h);
      std::vector<uint32_t> picture = Noise(w, h, 1);
      picture[0] |= 0x80000000;  // the top byte is averaged too
      src.write(picture);
      for (int32_t level : {0, 1, 2, 7, 16, 40, 32768}) {
        int32_t result = -5;
        EXPECT_EQ(lib.entry()(dst.dc(), src.dc(), level, &result), 1);
        EXPECT_EQ(result, 1);
        // Blocks start at the top-left corner as seen, whichever way up the rows lie.
        EXPECT_EQ(dst.read(), Expected(picture, w, h, level)) << "level " << level << " kinds " << srcKind << dstKind;
        EXPECT_EQ(src.read(), picture) << "the source changed";
      }
    }
  }
}

TEST(EffectLibrary, MatchesThePlainLoopOnRandomPicturesOfEveryKind) {
  // DIB sections both ways up and screen-compatible bitmaps, in every pairing, at random
  // sizes and every level from 0 to 256 and beyond. Bitmaps come and go, so handles and
  // bits come back for other pictures, as they do when a desk changes.
  const Library lib;
  ASSERT_NE(lib.entry(), nullptr);
  const Bitmap::Kind kinds[] = {Bitmap::TopDown32, Bitmap::BottomUp32, Bitmap::Device};
  int i = 0;
  for (const auto& c : testing_support::RandomPixelateCases(27, 2 * 257, 160, 120)) {
    const Bitmap::Kind srcKind = kinds[i % 3], dstKind = kinds[(i / 3) % 3];
    ++i;
    const bool dibs = srcKind != Bitmap::Device && dstKind != Bitmap::Device;
    std::vector<uint32_t> picture = testing_support::RandomPixels(c.width, c.height, c.seed);
    if (!dibs) picture = Rgb(picture);  // a device bitmap need not keep the top byte
    Bitmap src(srcKind, c.width, c.height), dst(dstKind, c.width, c.height);
    src.write(picture);
    ASSERT_EQ(lib.entry()(dst.dc(), src.dc(), c.level, nullptr), 1) << c.Describe();
    const std::vector<uint32_t> want = testing_support::PlainPixelated(picture, c.width, c.height, c.level);
    ASSERT_EQ(dibs ? dst.read() : Rgb(dst.read()), dibs ? want : Rgb(want))
        << c.Describe() << " kinds " << srcKind << "->" << dstKind;
  }
}

TEST(EffectLibrary, PicturesThatReadAlikeBothWaysUpAreLeftExactlyAsTheyWere) {
  // Mirror-symmetric pictures give no clue which way up their rows lie; the library
  // finds out by rewriting one pixel and must put it back, top byte and all.
  const Library lib;
  ASSERT_NE(lib.entry(), nullptr);
  const int w = 9, h = 6;
  std::vector<uint32_t> mirrored = Noise(w, h, 5);
  for (int y = 0; y < h / 2; ++y)
    for (int x = 0; x < w; ++x) mirrored[(h - 1 - y) * w + x] = mirrored[y * w + x];
  mirrored[0] |= 0x7F000000;  // rows 0 and 5 differ in the top byte only
  std::vector<uint32_t> uniform(w * h, 0x00336699);
  for (const std::vector<uint32_t>* picture : {&mirrored, &uniform}) {
    for (auto kind : {Bitmap::TopDown32, Bitmap::BottomUp32}) {
      Bitmap src(kind, w, h), dst(kind == Bitmap::TopDown32 ? Bitmap::BottomUp32 : Bitmap::TopDown32, w, h);
      src.write(*picture);
      dst.write(std::vector<uint32_t>(w * h, 0));  // a black destination reads alike both ways too
      for (int32_t level : {0, 1, 4}) {
        EXPECT_EQ(lib.entry()(dst.dc(), src.dc(), level, nullptr), 1);
        EXPECT_EQ(src.read(), *picture) << "the source changed";
        EXPECT_EQ(dst.read(), Expected(*picture, w, h, level)) << "level " << level;
      }
    }
  }
}

TEST(EffectLibrary, OtherBitmapsGoThroughACopy) {
  const Library lib;
  ASSERT_NE(lib.entry(), nullptr);
  const int w = 45, h = 38;
  const std::vector<uint32_t> picture = Noise(w, h, 2);
  const std::pair<Bitmap::Kind, Bitmap::Kind> pairs[] = {
      {Bitmap::Device, Bitmap::TopDown32}, {Bitmap::TopDown32, Bitmap::Device},
      {Bitmap::Device, Bitmap::Device}, {Bitmap::Dib24, Bitmap::BottomUp32}, {Bitmap::TopDown32, Bitmap::Dib24}};
  for (const auto& [srcKind, dstKind] : pairs) {
    Bitmap src(srcKind, w, h), dst(dstKind, w, h);
    src.write(picture);
    ASSERT_EQ(Rgb(src.read()), picture) << "kind " << srcKind << " does not keep 24-bit colour here";
    for (int32_t level : {0, 3, 10}) {
      EXPECT_EQ(lib.entry()(dst.dc(), src.dc(), level, nullptr), 1);
      EXPECT_EQ(Rgb(dst.read()), Rgb(Expected(picture, w, h, level))) << srcKind << "->" << dstKind << " level " << level;
      EXPECT_EQ(Rgb(src.read()), picture);
    }
  }
}

TEST(EffectLibrary, PicturesOfDifferentSizesShareTheirTopLeftPart) {
  const Library lib;
  ASSERT_NE(lib.entry(), nullptr);
  for (auto dstKind : {Bitmap::TopDown32, Bitmap::Device}) {
    // A larger destination keeps what lies outside the source.
    Bitmap src(Bitmap::TopDown32, 20, 10), dst(dstKind, 30, 14);
    const auto picture = Noise(20, 10, 3);
    src.write(picture);
    const std::vector<uint32_t> before(30 * 14, 0x123456);
    dst.write(before);
    EXPECT_EQ(lib.entry()(dst.dc(), src.dc(), 4, nullptr), 1);
    const auto out = Rgb(dst.read());
    const auto want = Expected(picture, 20, 10, 4);
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 30; ++x)
        ASSERT_EQ(out[y * 30 + x], x < 20 && y < 10 ? want[y * 20 + x] : 0x123456u) << x << "," << y;

    // A smaller destination takes the source's top-left part only.
    Bitmap small(dstKind, 7, 5);
    EXPECT_EQ(lib.entry()(small.dc(), src.dc(), 1, nullptr), 1);
    const auto got = Rgb(small.read());
    std::vector<uint32_t> corner;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) corner.push_back(picture[y * 20 + x]);
    EXPECT_EQ(got, Rgb(Expected(corner, 7, 5, 1)));
  }
}

TEST(EffectLibrary, RefusesWhatIsNotAPicture) {
  const Library lib;
  ASSERT_NE(lib.entry(), nullptr);
  Bitmap pic(Bitmap::TopDown32, 4, 4);
  int32_t result = 7;
  EXPECT_EQ(lib.entry()(nullptr, pic.dc(), 1, &result), 0);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(lib.entry()(pic.dc(), nullptr, 1, nullptr), 0);
  // A DC that was never given a bitmap holds the 1 x 1 monochrome stock one: a picture of
  // one pixel. As the source it gives the destination's top-left pixel its colour and
  // leaves the rest; as the destination it may take the picture's corner or refuse, but
  // says which, and the picture stays as it was.
  const std::vector<uint32_t> noise = Noise(4, 4, 9);
  pic.write(noise);
  win::UniqueMemDc bare(CreateCompatibleDC(nullptr));
  const COLORREF stock = GetPixel(bare.get(), 0, 0);
  ASSERT_NE(stock, CLR_INVALID);
  std::vector<uint32_t> want = Rgb(noise);
  want[0] = (GetRValue(stock) << 16) | (GetGValue(stock) << 8) | GetBValue(stock);
  result = 7;
  EXPECT_EQ(lib.entry()(pic.dc(), bare.get(), 3, &result), 1);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Rgb(pic.read()), want);

  pic.write(noise);
  result = 7;
  const int32_t written = lib.entry()(bare.get(), pic.dc(), 3, &result);
  EXPECT_EQ(result, written);
  EXPECT_EQ(Rgb(pic.read()), Rgb(noise)) << "the source was changed";
}

TEST(EffectLibrary, RefusesABitmapTooLargeToCopyInsteadOfOverrunningTheCopy) {
  // 65536 x 65537 pixels: 512 MiB at one bit per pixel, but 2^32 + 65536 pixels, which
  // wraps to 65536 in a 32-bit size, and a 16 GiB copy in a 64-bit one.
  const Library lib;
  ASSERT_NE(lib.entry(), nullptr);
  win::UniqueBitmap huge(CreateBitmap(65536, 65537, 1, 1, nullptr));
  if (!huge) GTEST_SKIP() << "the system would not make a 512 MiB bitmap";
  win::UniqueMemDc dc(CreateCompatibleDC(nullptr));
  const HGDIOBJ old = SelectObject(dc.get(), huge.get());
  Bitmap pic(Bitmap::TopDown32, 16, 16);
  const std::vector<uint32_t> picture = Noise(16, 16, 6);
  pic.write(picture);
  int32_t result = 7;
  EXPECT_EQ(lib.entry()(pic.dc(), dc.get(), 2, &result), 0);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(lib.entry()(dc.get(), pic.dc(), 2, nullptr), 0);
  EXPECT_EQ(Rgb(pic.read()), picture) << "a refused call leaves the picture alone";
  SelectObject(dc.get(), old);
}

TEST(ShowEffectBinding, BindsFromTheProgramsFolderAtTheFirstCallOrSkipsEveryCall) {
  // This test program's folder holds Runo_Effect.dll, as the saver's does.
  show::EffectLibrary effect;
  Bitmap src(Bitmap::TopDown32, 8, 8), dst(Bitmap::TopDown32, 8, 8);
  const auto picture = Noise(8, 8, 4);
  src.write(picture);
  int32_t result = 0;
  EXPECT_TRUE(effect.Call(dst.dc(), src.dc(), 7, &result));
  EXPECT_FALSE(effect.missing());
  EXPECT_EQ(result, 1);
  EXPECT_EQ(dst.read(), Expected(picture, 8, 8, 7));

  show::EffectLibrary none(L"Veskar_NoSuchEffect.dll");
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(none.Call(dst.dc(), src.dc(), 1, &result));
  EXPECT_TRUE(none.missing());

  // Only the program's folder is looked in: a library that the usual search would find in
  // the system folder is not loaded.
  show::EffectLibrary system(L"gdi32.dll");
  EXPECT_FALSE(system.Call(dst.dc(), src.dc(), 1, &result));
  EXPECT_TRUE(system.missing());
}
