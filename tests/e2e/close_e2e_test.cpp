// Closing end to end, in every mode: the real Veskar.scr closed the ways other programs,
// Task Manager and a shutdown close windows - WM_CLOSE sent (SendMessage) or posted, a
// WM_QUIT for its thread, the end of the session, the preview's parent destroyed - as
// soon as its window exists (during the load) and once it is up. Each time the process
// ends with exit code 0, leaves no window behind and writes nothing to the settings file.
#include <functional>
#include <string>
#include <vector>

#include "harness.h"
#include "support/settings_text.h"

using namespace e2e;
using testing_support::FindWindowOf;

namespace {

// Within a second of being handled is the aim; the bound leaves room for Wine, which takes
// about two seconds to destroy an active window when there is no window manager, and for
// the dialog's closing animation.
constexpr DWORD kEndsWithinMs = 8000;

const std::wstring kPreviewCaption = L"Preview Window";

// A settings file as the dialog saves it (degree 37, no music): what must stay as it is.
std::string KeptSettings() {
  return testing_support::SavedSettings(37, 0, 0);
}

// The first window of `pid` titled `title`, top-level or a child of `parent`, looked for
// without pausing so that a close can reach it while its load is still under way.
HWND CatchWindow(const std::wstring& title, DWORD pid, HWND parent, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    if (const HWND found = FindWindowOf(title, pid, parent)) return found;
    // The preview is a top-level window until it joins its parent.
    if (const HWND found = parent ? FindWindowOf(title, pid) : nullptr) return found;
    Sleep(0);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

enum class When { AsSoonAsItExists, OnceItIsUp };

struct Close {
  const char* name;
  std::function<void(HWND window)> close;
};

void SendClose(HWND w) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(w, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

void PostClose(HWND w) { PostMessageW(w, WM_CLOSE, 0, 0); }

void QuitItsThread(HWND w) { PostThreadMessageW(GetWindowThreadProcessId(w, nullptr), WM_QUIT, 0, 0); }

// What a shutdown sends: the query, then the end (a program that ends on the query never
// sees the second).
void EndTheSession(HWND w) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer);
  if (IsWindow(w)) SendMessageTimeoutW(w, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &answer);
}

const std::vector<Close>& EveryClose() {
  static const std::vector<Close> all = {
      {"WM_CLOSE sent", SendClose},
      {"WM_CLOSE posted", PostClose},
      {"WM_QUIT", QuitItsThread},
      {"end of the session", EndTheSession},
  };
  return all;
}

class Closing : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.copyFromBuild(L"Veskar.scr");
    folder_.copyFromBuild(L"Runo_Effect.dll");
    ASSERT_TRUE(WriteFileBytes(ini(), KeptSettings()));
  }
  std::wstring ini() const { return folder_.file(L"ベスカル.ini"); }

  // Starts the saver, closes its window the given way at the given moment, and checks the
  // end: exit code 0 in time, no window left, the settings file as it was.
  void CloseAndExpectTheEnd(const std::wstring& args, const std::wstring& title, HWND parent,
                            When when, const Close& how, const std::function<bool(HWND)>& isUp) {
    const std::string what = Utf8(args) + ", " + how.name +
                             (when == When::AsSoonAsItExists ? ", as soon as it exists" : ", once it is up");
    Process saver = StartSaver(folder_, args);
    ASSERT_TRUE(saver.started()) << what;
    const HWND window = CatchWindow(title, saver.pid(), parent, 15000);
    ASSERT_NE(window, nullptr) << what << ": no window";
    if (when == When::OnceItIsUp) {
      ASSERT_TRUE(WaitUntil([&] { return isUp(window); }, 15000)) << what << ": never up";
      DWORD_PTR ignored = 0;  // and its message loop answers
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    }
    how.close(window);
    const auto code = saver.waitExit(kEndsWithinMs);
    ASSERT_TRUE(code.has_value()) << what << ": still running, with " << WindowsOf(saver.pid()).size()
                                  << " top-level windows";
    EXPECT_EQ(*code, 0u) << what;
    EXPECT_EQ(ReadFileBytes(ini()), KeptSettings()) << what << ": the settings file changed";
    EXPECT_FALSE(FileExistsW(ini() + L".new~")) << what;
  }

  void EveryCloseAtEveryMoment(const std::wstring& args, const std::wstring& title, HWND parent,
                               const std::function<bool(HWND)>& isUp) {
    for (When when : {When::AsSoonAsItExists, When::OnceItIsUp}) {
      for (const Close& how : EveryClose()) {
        CloseAndExpectTheEnd(args, title, parent, when, how, isUp);
        if (HasFatalFailure()) return;
      }
    }
  }

  TestFolder folder_;
};

}  // namespace

TEST_F(Closing, TheSettingsDialogEndsHoweverItIsClosed) {
  EveryCloseAtEveryMoment(L"/c", kDialogTitle, nullptr, [](HWND w) { return IsWindowVisible(w) != FALSE; });
}

TEST_F(Closing, TheShowEndsHoweverItIsClosed) {
  EveryCloseAtEveryMoment(L"/s", kShowTitle, nullptr, [](HWND w) {
    return IsWindowVisible(w) && (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  });
}

TEST_F(Closing, ThePreviewEndsHoweverItIsClosed) {
  OwnWindow pane(L"pane", 152, 112, false);
  ShowWindow(pane.hwnd(), SW_SHOWNOACTIVATE);
  const std::wstring args = L"/p " + std::to_wstring(reinterpret_cast<uintptr_t>(pane.hwnd()));
  EveryCloseAtEveryMoment(args, kPreviewCaption, pane.hwnd(), [&](HWND w) {
    return GetParent(w) == pane.hwnd() && IsWindowVisible(w);
  });
  EXPECT_EQ(GetWindow(pane.hwnd(), GW_CHILD), nullptr) << "a preview was left in the pane";
}

// The pane's window destroyed while the preview is still joining it, and once it is there.
TEST_F(Closing, ThePreviewEndsWhenItsParentIsDestroyedAtAnyMoment) {
  for (When when : {When::AsSoonAsItExists, When::OnceItIsUp}) {
    OwnWindow pane(L"pane", 152, 112, false);
    ShowWindow(pane.hwnd(), SW_SHOWNOACTIVATE);
    const HWND parent = pane.hwnd();
    const Close destroyParent{"parent destroyed", [&](HWND) { pane.destroy(); }};
    CloseAndExpectTheEnd(L"/p " + std::to_wstring(reinterpret_cast<uintptr_t>(parent)), kPreviewCaption,
                         parent, when, destroyParent,
                         [&](HWND w) { return GetParent(w) == parent && IsWindowVisible(w); });
  }
}
