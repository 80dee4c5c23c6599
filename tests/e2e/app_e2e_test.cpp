// Start-up end to end: the single-instance test and the switches that open nothing.
#include "harness.h"

using namespace e2e;

namespace {

class StartUp : public ::testing::Test {
 protected:
  void SetUp() override { folder_.copyFromBuild(L"Veskar.scr"); }
  TestFolder folder_;
};

}  // namespace

// With the show or the settings dialog open (stood in for by a window of ours with its
// title), every start ends at once and opens nothing, preview included.
TEST_F(StartUp, ARunningInstanceBlocksEveryStart) {
  for (const wchar_t* title : {L"Veskar_Main", L"<ベスカル>"}) {
    OwnWindow blocker(title, 200, 100, false);
    OwnWindow pane(L"pane", 152, 112, true);
    ASSERT_TRUE(blocker.hwnd());
    const std::wstring preview = L"/p " + std::to_wstring(reinterpret_cast<uintptr_t>(pane.hwnd()));
    for (const std::wstring& args : {std::wstring(L"/s"), std::wstring(L"/c"), preview, std::wstring()}) {
      Process saver = StartSaver(folder_, args);
      ASSERT_TRUE(saver.endsCleanly(10000)) << Utf8(title) << " " << Utf8(args) << ": still running, or not with code 0";
      EXPECT_TRUE(WindowsOf(saver.pid()).empty());
      EXPECT_EQ(GetWindow(pane.hwnd(), GW_CHILD), nullptr) << Utf8(args);
    }
    // The instance test runs before the settings are read: nothing was created beside it.
    EXPECT_FALSE(FileExistsW(folder_.file(L"ベスカル.ini")));
  }
}

TEST_F(StartUp, OtherSwitchesEndWithCodeZeroAndOpenNothing) {
  for (const wchar_t* args : {L"/a", L"/x", L"s", L"/A 1234"}) {
    Process saver = StartSaver(folder_, args);
    ASSERT_TRUE(saver.endsCleanly(10000)) << Utf8(args) << ": still running, or not with code 0";
    EXPECT_FALSE(FileExistsW(folder_.file(L"ベスカル.ini"))) << "reading never creates the file";
  }
}
