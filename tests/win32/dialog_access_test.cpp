// What the settings dialog tells assistive technology, asked as a screen reader asks:
// AccessibleObjectFromWindow on the dialog's windows, then role, name, value and state of
// the buttons, the music sources, the web address and the degree bar, and their default
// actions carried out.
#include <gtest/gtest.h>
#include <windows.h>

#include <oleacc.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/command_win.h"
#include "dialog/identity.h"
#include "dialog/settings_dialog_win.h"
#include "support/accessible.h"
#include "support/fake_files.h"
#include "win/com.h"
#include "win/handle.h"
#include "win/pump.h"
#include "win/strings.h"

using namespace dialog;

namespace {

using testing_support::ClientObject;
using testing_support::Describe;
using testing_support::Described;
VARIANT Child(long id) { return testing_support::ChildId(id); }

// The focus events a reader hears from this process: the window and the child.
std::vector<std::pair<HWND, long>> g_focusEvents;
void CALLBACK OnFocusEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG, LONG child, DWORD, DWORD) {
  g_focusEvents.emplace_back(hwnd, child);
}

class DialogAccess : public ::testing::Test {
 protected:
  DialogAccess() {
    session_.programFolder = "C:\\veskar";
    session_.settings.Degree = 100;
    session_.settings.MusicKind = 2;
  }
  ~DialogAccess() override {
    dialog_.reset();
    win::PumpPendingMessages();
  }

  SettingsDialog& Open() {
    Platform p;
    p.files = &files_;
    p.shellExecute = [this](HWND, const wchar_t*, const wchar_t* file, const wchar_t*, const wchar_t*, int) {
      opened_ = file;
      return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
    };
    dialog_ = std::make_unique<SettingsDialog>(session_, std::move(p));
    EXPECT_TRUE(dialog_->Load());
    win::PumpPendingMessages();
    return *dialog_;
  }

  static win::Com<IAccessible> Client(HWND hwnd) { return ClientObject(hwnd); }

  win::ComApartment com_;
  app::Session session_;
  testing_support::FakeFiles files_;
  std::unique_ptr<SettingsDialog> dialog_;
  std::wstring opened_;
};

}  // namespace

TEST_F(DialogAccess, TheButtonsArePushButtonsNamedByTheirCaptionsWithTheirStates) {
  SettingsDialog& d = Open();
  const HWND set = d.button(kIdSet)->hwnd(), cancel = d.button(kIdCancel)->hwnd();
  EXPECT_EQ(GetFocus(), d.degreeBar()) << "the dialog opens on the degree bar";

  auto a = Client(set);
  ASSERT_TRUE(a);
  Described s = Describe(a.get());
  EXPECT_EQ(s.role, ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(s.name, L"設定");
  EXPECT_TRUE(s.state & STATE_SYSTEM_DEFAULT);
  EXPECT_FALSE(s.state & (STATE_SYSTEM_FOCUSED | STATE_SYSTEM_UNAVAILABLE));
  EXPECT_FALSE(s.action.empty());
  SetFocus(set);
  EXPECT_TRUE(Describe(a.get()).state & STATE_SYSTEM_FOCUSED);

  auto c = Client(cancel);
  ASSERT_TRUE(c);
  s = Describe(c.get());
  EXPECT_EQ(s.role, ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(s.name, L"ｷｬﾝｾﾙ");
  EXPECT_FALSE(s.state & (STATE_SYSTEM_DEFAULT | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_UNAVAILABLE));

  // The file button goes unavailable with its source.
  auto f = Client(d.button(kIdFile)->hwnd());
  ASSERT_TRUE(f);
  EXPECT_EQ(Describe(f.get()).name, L"...");
  EXPECT_FALSE(Describe(f.get()).state & STATE_SYSTEM_UNAVAILABLE);
  d.ChooseMusicSource(0);
  EXPECT_TRUE(Describe(f.get()).state & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(f->accDoDefaultAction(Child(CHILDID_SELF)), DISP_E_MEMBERNOTFOUND);

  // ｷｬﾝｾﾙ's default action is its click: the dialog closes, nothing saved.
  EXPECT_EQ(c->accDoDefaultAction(Child(CHILDID_SELF)), S_OK);
  win::PumpPendingMessages();
  EXPECT_EQ(d.hwnd(), nullptr);
  EXPECT_TRUE(files_.files.empty());
  // The objects a reader still holds answer that the window is gone.
  EXPECT_EQ(Describe(c.get()).role, -1);
}

TEST_F(DialogAccess, TheSourcesAreRadioButtonsTheLinkALinkTheBarNamedByItsHeading) {
  SettingsDialog& d = Open();
  auto panel = Client(d.panel());
  ASSERT_TRUE(panel);
  long count = 0;
  ASSERT_EQ(panel->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 6) << "three sources, the track box, the bar, the file button";
  const wchar_t* names[] = {L"音楽CD", L"なし", L"MP3、WAV"};  // from the top
  for (long i = 1; i <= 3; ++i) {
    const Described r = Describe(panel.get(), i);
    EXPECT_EQ(r.role, ROLE_SYSTEM_RADIOBUTTON) << i;
    EXPECT_EQ(r.name, names[i - 1]);
    EXPECT_EQ((r.state & STATE_SYSTEM_CHECKED) != 0, i == 3) << "the file source is chosen";
  }
  // Choosing one as a click would, once the call has returned: the CD row, its track box
  // enabled.
  EXPECT_EQ(panel->accDoDefaultAction(Child(1)), S_OK);
  EXPECT_EQ(d.markedRow(), 2) << "not inside the caller's call";
  win::PumpPendingMessages();
  EXPECT_EQ(d.markedRow(), 1);
  EXPECT_TRUE(d.repeatEnabled());
  EXPECT_TRUE(Describe(panel.get(), 1).state & STATE_SYSTEM_CHECKED);
  EXPECT_FALSE(Describe(panel.get(), 3).state & STATE_SYSTEM_CHECKED);
  SetFocus(d.panel());
  EXPECT_TRUE(Describe(panel.get(), 1).state & STATE_SYSTEM_FOCUSED);
  // The file row chosen while the track box has the focus: the sources take it over, and
  // the focus event names the row chosen now, not the one before.
  SetFocus(d.repeatBox());
  g_focusEvents.clear();
  const win::Unique<win::NullIsInvalid<HWINEVENTHOOK, UnhookWinEvent>> hook(
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocusEvent, GetCurrentProcessId(), 0,
                      WINEVENT_OUTOFCONTEXT));
  EXPECT_EQ(panel->accDoDefaultAction(Child(3)), S_OK);
  win::PumpPendingMessages();
  EXPECT_EQ(GetFocus(), d.panel());
  ASSERT_FALSE(g_focusEvents.empty());
  EXPECT_EQ(g_focusEvents.back(), std::make_pair(d.panel(), 3L));

  auto window = Client(d.hwnd());
  ASSERT_TRUE(window);
  const Described link = Describe(window.get(), 1);
  EXPECT_EQ(link.role, ROLE_SYSTEM_LINK);
  EXPECT_EQ(link.value, win::widen(WebAddress()));
  EXPECT_EQ(window->accDoDefaultAction(Child(1)), S_OK);
  win::PumpPendingMessages();
  EXPECT_EQ(opened_, win::widen(WebAddress()));
  EXPECT_NE(d.hwnd(), nullptr) << "the dialog stays";

  auto bar = Client(d.degreeBar());
  ASSERT_TRUE(bar);
  const Described b = Describe(bar.get());
  EXPECT_EQ(b.name, L"ﾍﾞｽｶﾙの度合い");
  EXPECT_EQ(b.value, L"100");
  EXPECT_EQ(b.role, ROLE_SYSTEM_SLIDER);
}

TEST_F(DialogAccess, TheFirstFocusShowsNoCaretOnTheBar) {
  SettingsDialog& d = Open();
  ASSERT_EQ(GetFocus(), d.degreeBar());
  GUITHREADINFO info{sizeof info};
  ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &info));
  EXPECT_NE(info.hwndCaret, d.degreeBar()) << "a user of the mouse sees the dialog as before";
}
