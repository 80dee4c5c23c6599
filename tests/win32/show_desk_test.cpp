// The show over a desk of several monitors, in this process with a scripted desk (the test
// display has one monitor): a picture pair per monitor, every monitor at the same level in
// each frame, each picture at its monitor's place in the one window with black between,
// a desk that changes while the show runs, and pictures that cannot be made. The effect
// calls are counted by the recording stand-in of the effects library, which logs each
// call's picture size.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/session.h"
#include "show/show_win.h"
#include "support/effect_log.h"
#include "support/win32_helpers.h"
#include "win/module.h"
#include "win/strings.h"

namespace {

std::wstring CallLog() { return win::widen(win::ProgramFolder()) + L"\\effect-calls.txt"; }

// "level WxH" of every effect call so far.
std::vector<std::string> RecordedCalls() {
  std::vector<std::string> calls;
  for (const auto& call : testing_support::ParseEffectLog(testing_support::ReadFileBytes(CallLog())).calls)
    calls.push_back(std::to_string(call.level) + " " + call.size);
  return calls;
}

// The desk the scripted reader tells; a test changes it before it sends WM_DISPLAYCHANGE.
std::vector<show::DeskRect> g_monitors;
show::DeskLayout ScriptedDesk() { return show::LayOutDesk({}, g_monitors); }

// The show's picture maker, told to fail at some sizes the way CreateDIBSection fails
// (the memory DC is made, the picture is not). Every picture made is kept, to count how
// many are alive at once.
struct Pictures {
  std::set<std::pair<int, int>> failing;
  std::vector<HBITMAP> made;
  size_t peak = 0;

  size_t Live() const {
    return size_t(std::count_if(made.begin(), made.end(), [](HBITMAP b) { return GetObjectType(b) == OBJ_BITMAP; }));
  }
  show::PictureMaker Maker() {
    return [this](win::Surface& picture, int width, int height) {
      if (failing.count({width, height})) return picture.create(0, 0);
      if (!picture.create(width, height)) return false;
      made.push_back(picture.bitmap());
      peak = std::max(peak, Live());
      return true;
    };
  }
};

COLORREF WindowPixel(HWND hwnd, int x, int y) {
  win::WindowDc dc(hwnd);
  return GetPixel(dc.get(), x, y);
}

class ShowDesk : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileW(CallLog().c_str());
    session_.ArgumentString = "/s";
    session_.programFolder = win::ProgramFolder();
    session_.settings.Degree = 5;
    // A primary, and a monitor to its right with a 100-pixel gap, lower down.
    g_monitors = {{0, 0, 600, 768}, {700, 100, 1020, 340}};
  }

  show::Veskar_S& load() {
    form_ = std::make_unique<show::Veskar_S>(
        session_, show::ShowParts{L"recording_effect.dll", ScriptedDesk, pictures_.Maker()});
    EXPECT_TRUE(form_->Load(false));
    return *form_;
  }

  // Marks each monitor's capture with its own colour, as if it had captured that, and
  // shows it (a monitor without pictures is skipped).
  void markCaptures(const std::vector<uint32_t>& colours) {
    for (size_t i = 0; i < form_->monitors().size(); ++i) {
      const win::Surface& master = form_->monitors()[i].Master;
      std::fill_n(master.bits(), size_t(master.width()) * master.height(), colours[i]);
      if (form_->monitors()[i].hasPictures()) master.copyTo(form_->monitors()[i].Display.dc());
    }
  }

  // Runs the frames down to the restoring copy and paints the window anew.
  void runToTheHold() {
    for (int i = 0; i < 12; ++i) form_->RunFrame();  // 0 .. 6 .. 1, then the restoring copy
    InvalidateRect(form_->hwnd(), nullptr, FALSE);
    UpdateWindow(form_->hwnd());
  }

  Pictures pictures_;

  app::Session session_;
  std::unique_ptr<show::Veskar_S> form_;
};

TEST_F(ShowDesk, EachMonitorHasItsOwnPicturesAtItsPlaceAndEveryFrameDrawsThemAll) {
  show::Veskar_S& form = load();
  RECT window{};
  GetWindowRect(form.hwnd(), &window);
  EXPECT_EQ(window.left, 0);
  EXPECT_EQ(window.right - window.left, 1020);
  EXPECT_EQ(window.bottom - window.top, 768);
  ASSERT_EQ(form.monitors().size(), 2u);
  EXPECT_EQ(form.monitors()[1].Display.width(), 320);
  EXPECT_EQ(form.monitors()[1].Master.height(), 240);

  markCaptures({0x0000FF, 0x00FF00});
  form.Frame(0);
  form.Frame(1);
  EXPECT_EQ(RecordedCalls(), (std::vector<std::string>{"0 600x768", "0 320x240", "1 600x768", "1 320x240"}));

  // The stand-in leaves the pictures as they are: the Display still holds the load's copy
  // of the real capture. The restoring copy at the bottom of a cycle shows each monitor's
  // capture at its own place; between the monitors the window is black.
  for (int i = 0; i < 12; ++i) form.RunFrame();  // 0 .. 6 .. 1, then the restoring copy
  EXPECT_EQ(WindowPixel(form.hwnd(), 10, 10), RGB(0, 0, 255));
  EXPECT_EQ(WindowPixel(form.hwnd(), 710, 110), RGB(0, 255, 0));
  EXPECT_EQ(WindowPixel(form.hwnd(), 1019, 339), RGB(0, 255, 0));
  InvalidateRect(form.hwnd(), nullptr, FALSE);
  UpdateWindow(form.hwnd());
  EXPECT_EQ(WindowPixel(form.hwnd(), 650, 300), RGB(0, 0, 0)) << "the gap between the monitors";
  EXPECT_EQ(WindowPixel(form.hwnd(), 800, 50), RGB(0, 0, 0)) << "above the right monitor";
  EXPECT_EQ(WindowPixel(form.hwnd(), 710, 110), RGB(0, 255, 0)) << "a paint keeps the pictures";
}

TEST_F(ShowDesk, ADeskThatChangesIsCoveredAgainAndKeepsWhatItStillShows) {
  show::Veskar_S& form = load();
  markCaptures({0x0000FF, 0x00FF00});

  // The right monitor unplugged and a new one put left of the primary: the window moves
  // over the new desk; the primary keeps its capture, the new monitor was never captured.
  g_monitors = {{0, 0, 600, 768}, {-300, 0, 0, 200}};
  SendMessageW(form.hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(600, 768));
  RECT window{};
  GetWindowRect(form.hwnd(), &window);
  EXPECT_EQ(window.left, -300);
  EXPECT_EQ(window.right, 600);
  ASSERT_EQ(form.monitors().size(), 2u);
  EXPECT_EQ(form.monitors()[0].Master.bits()[0], 0x0000FFu);
  EXPECT_EQ(form.monitors()[1].place.x, 0);
  EXPECT_EQ(form.monitors()[0].place.x, 300);
  EXPECT_EQ(form.monitors()[1].Master.bits()[0] & 0xFFFFFF, 0u) << "never captured: black";
  EXPECT_EQ(form.monitors()[1].Display.bits()[0] & 0xFFFFFF, 0u);

  // A resolution change moves part of a picture: the primary, now 800 wide, keeps the
  // 600 pixels it had, and black beyond.
  g_monitors = {{0, 0, 800, 600}};
  SendMessageW(form.hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
  ASSERT_EQ(form.monitors().size(), 1u);
  const win::Surface& master = form.monitors()[0].Master;
  EXPECT_EQ(master.bits()[599], 0x0000FFu);
  EXPECT_EQ(master.bits()[600] & 0xFFFFFF, 0u);

  // The same desk told again changes nothing; the show goes on over it.
  const uint32_t* before = master.bits();
  SendMessageW(form.hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
  EXPECT_EQ(form.monitors()[0].Master.bits(), before) << "pictures made again for an unchanged desk";
  form.Frame(2);
  EXPECT_EQ(RecordedCalls().back(), "2 800x600");
}

// A third monitor below the right one, inside the test display (the window's pixels are
// read from the screen).
const show::DeskRect kLow{620, 400, 820, 550};

TEST_F(ShowDesk, AMonitorWhosePicturesCannotBeMadeIsBlackAndNeverHandedToTheEffect) {
  g_monitors.push_back(kLow);
  pictures_.failing = {{320, 240}};
  show::Veskar_S& form = load();
  ASSERT_EQ(form.monitors().size(), 3u);
  EXPECT_FALSE(form.monitors()[1].hasPictures());
  EXPECT_EQ(form.monitors()[1].Display.dc(), nullptr) << "a failed pair keeps nothing, not even its DCs";
  EXPECT_EQ(pictures_.Live(), 4u);

  markCaptures({0x0000FF, 0x00FF00, 0xFF0000});
  form.Frame(1);
  EXPECT_EQ(RecordedCalls(), (std::vector<std::string>{"1 600x768", "1 200x150"}));
  runToTheHold();
  EXPECT_EQ(WindowPixel(form.hwnd(), 10, 10), RGB(0, 0, 255));
  EXPECT_EQ(WindowPixel(form.hwnd(), 630, 410), RGB(255, 0, 0));
  EXPECT_EQ(WindowPixel(form.hwnd(), 710, 110), RGB(0, 0, 0)) << "the monitor without pictures";

  // A change of the desk that the failing monitor sits out keeps it black, and the one
  // that now fails too goes black; the primary keeps its pictures.
  const uint32_t* primary = form.monitors()[0].Master.bits();
  pictures_.failing.insert({250, 150});
  g_monitors[2] = {620, 400, 870, 550};
  SendMessageW(form.hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(600, 768));
  ASSERT_EQ(form.monitors().size(), 3u);
  EXPECT_EQ(form.monitors()[0].Master.bits(), primary);
  EXPECT_FALSE(form.monitors()[1].hasPictures());
  EXPECT_FALSE(form.monitors()[2].hasPictures());
  EXPECT_EQ(pictures_.Live(), 2u);
  const size_t before = RecordedCalls().size();
  runToTheHold();
  EXPECT_EQ(RecordedCalls().size() - before, 12u) << "the primary alone, a level a frame";
  EXPECT_EQ(WindowPixel(form.hwnd(), 10, 10), RGB(0, 0, 255));
  EXPECT_EQ(WindowPixel(form.hwnd(), 630, 410), RGB(0, 0, 0));
}

TEST_F(ShowDesk, AChangeOfOneMonitorHoldsTheOldSetAtMostAndTheOthersKeepTheirPictures) {
  g_monitors.push_back(kLow);
  show::Veskar_S& form = load();
  markCaptures({0x0000FF, 0x00FF00, 0xFF0000});
  ASSERT_EQ(pictures_.peak, 6u);
  const uint32_t* kept[] = {form.monitors()[0].Master.bits(), form.monitors()[1].Master.bits()};

  // The low monitor grows: its Display goes before its new capture is made, and its old
  // capture (carried into the new one) before its new Display.
  g_monitors[2] = {620, 400, 920, 550};
  SendMessageW(form.hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(600, 768));
  EXPECT_EQ(pictures_.peak, 6u) << "the old set and a new pair at once";
  EXPECT_EQ(pictures_.Live(), 6u);
  ASSERT_EQ(form.monitors().size(), 3u);
  EXPECT_EQ(form.monitors()[0].Master.bits(), kept[0]) << "an unchanged monitor's pictures were made anew";
  EXPECT_EQ(form.monitors()[1].Master.bits(), kept[1]);
  const win::Surface& grown = form.monitors()[2].Master;
  EXPECT_EQ(grown.bits()[199], 0xFF0000u) << "carried over at its place on the desk";
  EXPECT_EQ(grown.bits()[200] & 0xFFFFFF, 0u) << "never captured";
  runToTheHold();
  EXPECT_EQ(WindowPixel(form.hwnd(), 10, 10), RGB(0, 0, 255));
  EXPECT_EQ(WindowPixel(form.hwnd(), 710, 110), RGB(0, 255, 0));
  EXPECT_EQ(WindowPixel(form.hwnd(), 630, 410), RGB(255, 0, 0)) << "the grown monitor";
  EXPECT_EQ(WindowPixel(form.hwnd(), 830, 410), RGB(0, 0, 0));
}

TEST_F(ShowDesk, WithNoPicturesAtAllTheWindowIsBlackAndAKeyStillEndsTheShow) {
  pictures_.failing = {{600, 768}, {320, 240}};
  EXPECT_EXIT(
      {
        show::Veskar_S& form = load();
        form.RunFrame();
        form.RunFrame();
        UpdateWindow(form.hwnd());
        if (WindowPixel(form.hwnd(), 710, 110) != RGB(0, 0, 0) || WindowPixel(form.hwnd(), 10, 10) != RGB(0, 0, 0))
          ExitProcess(5);
        PostMessageW(form.hwnd(), WM_KEYDOWN, 'K', 0);
        form.RunFrame();
        ExitProcess(4);  // the frame came back: the key was not handled
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_TRUE(RecordedCalls().empty()) << "the effect was handed a monitor without pictures";
}

}  // namespace

// Two pictures of every monitor need address space: the program says it can use all that
// Windows gives it (4 GiB for a 32-bit program on 64-bit Windows, instead of 2).
TEST(ShowMemory, TheProgramIsLargeAddressAware) {
  const std::string exe = testing_support::ReadFileBytes(win::widen(win::ProgramFolder()) + L"\\Veskar.scr");
  ASSERT_GT(exe.size(), sizeof(IMAGE_DOS_HEADER));
  IMAGE_DOS_HEADER dos{};
  std::memcpy(&dos, exe.data(), sizeof dos);
  ASSERT_LT(size_t(dos.e_lfanew) + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER), exe.size());
  IMAGE_FILE_HEADER file{};
  std::memcpy(&file, exe.data() + dos.e_lfanew + sizeof(DWORD), sizeof file);
  EXPECT_TRUE(file.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE) << std::hex << file.Characteristics;
}
