// The settings dialog as a screen reader hears it: the real Veskar.scr /c asked from this
// process, another one, through AccessibleObjectFromWindow and the objects' answers, as a
// reader asks. Default actions asked this way are carried out once the call has returned.
#include <string>

#include "dialog/identity.h"
#include "harness.h"
#include "support/accessible.h"
#include "support/settings_dialog.h"
#include "support/settings_text.h"

using namespace e2e;
using namespace testing_support;

namespace {

class DialogAccessE2e : public SettingsDialogTest {
 protected:
  void Open(const std::string& ini) {
    ASSERT_NO_FATAL_FAILURE(SettingsDialogTest::Open(ini));
    dialogClient_ = ClientObject(dialog_);
    panelClient_ = ClientObject(panel_);
    ASSERT_TRUE(dialogClient_ && panelClient_) << "no answer to WM_GETOBJECT from the other process";
  }
  std::string Ini() const { return ReadFileBytes(IniPath()); }

  // The dialog's client: 1 the web address, 2 the panel, 3 設定, 4 ｷｬﾝｾﾙ. The panel's:
  // 1..3 the sources from the top (CD, none, file), 4 the track box, 5 the bar, 6 "...".
  Described Window(long child) { return Describe(dialogClient_.get(), child); }
  Described Panel(long child) { return Describe(panelClient_.get(), child); }

  win::ComApartment com_;  // a reader's thread is in one
  win::Com<IAccessible> dialogClient_, panelClient_;
};

}  // namespace

TEST_F(DialogAccessE2e, EveryControlSaysWhatItIsToAnotherProcess) {
  const std::wstring song = folder_.file(L"曲.mp3");
  ASSERT_TRUE(WriteFileBytes(song, "ID3"));
  Open(SavedSettings(100, 1, 7, Cp932(song)));  // the CD, track 7; a file kept from before

  // The buttons by their captions; 設定 is the default one; "..." is out of use.
  const Described set = Window(3), cancel = Window(4), file = Panel(6);
  EXPECT_EQ(set.role, ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(set.name, L"設定");
  EXPECT_TRUE(set.has(STATE_SYSTEM_DEFAULT));
  EXPECT_FALSE(set.has(STATE_SYSTEM_UNAVAILABLE));
  EXPECT_EQ(cancel.role, ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(cancel.name, L"ｷｬﾝｾﾙ");
  EXPECT_FALSE(cancel.state & (STATE_SYSTEM_DEFAULT | STATE_SYSTEM_UNAVAILABLE));
  EXPECT_EQ(file.name, L"...");
  EXPECT_TRUE(file.has(STATE_SYSTEM_UNAVAILABLE));
  // A button's own object says the same as its parent says of it.
  const Described own = Describe(ClientObject(GetDlgItem(dialog_, dialog::kIdSet)).get());
  EXPECT_EQ(own.name, set.name);
  EXPECT_EQ(own.state, set.state);

  // The sources are radio buttons, the chosen one checked.
  const wchar_t* names[] = {L"音楽CD", L"なし", L"MP3、WAV"};
  for (long row = 1; row <= 3; ++row) {
    const Described r = Panel(row);
    EXPECT_EQ(r.role, ROLE_SYSTEM_RADIOBUTTON) << row;
    EXPECT_EQ(r.name, names[row - 1]);
    EXPECT_EQ(r.has(STATE_SYSTEM_CHECKED), row == 1) << row;
  }
  // Each row is described by what it shows beside its caption: the track, read with the
  // caption after its box, and the path.
  EXPECT_EQ(Panel(1).description, L"7曲目をﾘﾋﾟｰﾄ");
  EXPECT_EQ(Panel(2).description, L"");
  EXPECT_EQ(Panel(3).description, song);

  // The web address is a link whose value is the address; the bar is named by its
  // heading and gives the degree as its value.
  const Described link = Window(1);
  EXPECT_EQ(link.role, ROLE_SYSTEM_LINK);
  EXPECT_EQ(link.value, Utf16(dialog::WebAddress()));
  const Described bar = Describe(ClientObject(bar_).get());
  EXPECT_EQ(bar.role, ROLE_SYSTEM_SLIDER);
  EXPECT_EQ(bar.name, L"ﾍﾞｽｶﾙの度合い");
  EXPECT_EQ(bar.value, L"100");
  EXPECT_EQ(Panel(5).name, bar.name);

  // The focus: the dialog opens on the bar, and the dialog's object gives the bar's.
  ASSERT_TRUE(WaitUntil([&] { return query_.Ask(dialog_)["focus"] == "HS_Doai"; }, 5000));
  const FocusAnswer focus = FocusOf(dialogClient_.get());
  EXPECT_EQ(Describe(focus.object.get()).name, L"ﾍﾞｽｶﾙの度合い");
  EXPECT_TRUE(Describe(focus.object.get()).has(STATE_SYSTEM_FOCUSED));
  EXPECT_FALSE(Panel(1).has(STATE_SYSTEM_FOCUSED));

  // A child that is not there is an invalid argument, as in Windows' own dialogs.
  VARIANT role;
  VariantInit(&role);
  EXPECT_EQ(dialogClient_->get_accRole(ChildId(5), &role), E_INVALIDARG);
  EXPECT_EQ(panelClient_->get_accState(ChildId(-1), &role), E_INVALIDARG);

  // A source chosen through its default action, carried out after the call: the file
  // row, and "..." in use.
  EXPECT_EQ(panelClient_->accDoDefaultAction(ChildId(3)), S_OK);
  EXPECT_TRUE(WaitUntil([&] { return Panel(3).has(STATE_SYSTEM_CHECKED); }, 5000));
  EXPECT_FALSE(Panel(1).has(STATE_SYSTEM_CHECKED));
  EXPECT_FALSE(Panel(6).has(STATE_SYSTEM_UNAVAILABLE));
  EXPECT_EQ(Ini(), SavedSettings(100, 1, 7, Cp932(song))) << "nothing saved yet";
}

TEST_F(DialogAccessE2e, SetsDefaultActionSavesAndEndsTheProgram) {
  Open(SettingsFile({{kDegreeKey, " 42"}}));
  EXPECT_EQ(dialogClient_->accDoDefaultAction(ChildId(3)), S_OK);
  ExpectClosed();
  EXPECT_EQ(Ini(), SavedSettings(42, 0, 0));
}

TEST_F(DialogAccessE2e, CancelsDefaultActionLeavesTheFileByteForByte) {
  const std::string before = Cp932(L"; mine\r\n[Section]\r\n度合い =  50\r\nBGM区分=1\r\nBGMﾘﾋﾟｰﾄ=3");
  Open(before);
  EXPECT_EQ(panelClient_->accDoDefaultAction(ChildId(2)), S_OK);  // none, in memory only
  ASSERT_TRUE(WaitUntil([&] { return Panel(2).has(STATE_SYSTEM_CHECKED); }, 5000));
  const auto cancel = ClientObject(GetDlgItem(dialog_, dialog::kIdCancel));
  ASSERT_TRUE(cancel);
  EXPECT_EQ(cancel->accDoDefaultAction(ChildId(CHILDID_SELF)), S_OK);
  ExpectClosed();
  EXPECT_EQ(Ini(), before);
}
