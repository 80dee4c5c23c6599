// What the settings dialog tells assistive technology (WM_GETOBJECT): the parts it draws
// itself have no windows, so their client objects describe them. The dialog's client
// holds the web address (a link whose value is the address) beside the panel and the
// two buttons; the panel's holds the three music sources (radio buttons named by their
// captions, the chosen one checked, described by the track or the path their rows show)
// beside the track box, the degree bar and the file button; the degree bar is named by
// its heading and gives its position as its value.
// The skinned buttons answer for themselves (command_win.cpp).
#include "controls/command_win.h"
#include "dialog/dialog_model.h"
#include "dialog/rect_win.h"
#include "dialog/settings_dialog_win.h"
#include "win/accessible.h"
#include "win/strings.h"

namespace dialog {

namespace {

// Posted by the default actions of the link and of a source (wParam: its kind): they are
// carried out from the message loop, not inside the caller's COM call.
constexpr UINT kOpenLinkMessage = WM_APP + 0x52;
constexpr UINT kChooseSourceMessage = WM_APP + 0x53;

RECT OnScreen(HWND container, const Rect& r) {
  RECT s = ToRECT(r);
  MapWindowPoints(container, nullptr, reinterpret_cast<POINT*>(&s), 2);
  return s;
}

RECT WindowRectOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

long Focused(bool on) { return on ? STATE_SYSTEM_FOCUSED : 0; }

// The row (child 1..3 of the panel, from the top) of a music kind; 0 for none.
int RowOf(int kind) {
  for (int i = 0; i < 3; ++i) {
    if (kRowsTopDown[static_cast<size_t>(i)] == kind) return i + 1;
  }
  return 0;
}

}  // namespace

class SettingsDialog::Access {
 public:
  explicit Access(SettingsDialog& d) : window_(d), panel_(d), bar_(d) {}
  ~Access() { Detach(); }
  void Detach() {
    windowServer_.Detach();
    panelServer_.Detach();
    barServer_.Detach();
  }

  LRESULT Answer(HWND hwnd, WPARAM wp, LPARAM lp, SettingsDialog& d) {
    if (hwnd == d.hwnd()) return windowServer_.Answer(hwnd, wp, lp, window_);
    if (hwnd == d.panel()) return panelServer_.Answer(hwnd, wp, lp, panel_);
    if (hwnd == d.degreeBar()) return barServer_.Answer(hwnd, wp, lp, bar_);
    return 0;
  }

 private:
  // The dialog's client: 1 the web address, 2 the panel, 3 設定, 4 ｷｬﾝｾﾙ.
  class WindowSource final : public win::AccessibleSource {
   public:
    explicit WindowSource(SettingsDialog& d) : d_(d) {}
    int AccessibleChildCount() override { return 4; }
    win::AccessibleItem AccessibleDescribe(int child) override {
      win::AccessibleItem item;
      switch (child) {
        case 1: {
          const std::wstring address = win::widen(d_.labelText(Label::WebAddress));
          item.name = address;
          item.value = address;
          item.role = ROLE_SYSTEM_LINK;
          item.state = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED | Focused(d_.Has(Stop::WebLink));
          item.defaultAction = L"ジャンプ";
          item.screen = OnScreen(d_.hwnd(), d_.labelRect(Label::WebAddress));
          return item;
        }
        case 2: item.window = d_.panel(); break;
        case 3: item.window = d_.button(kIdSet) ? d_.button(kIdSet)->hwnd() : nullptr; break;
        case 4: item.window = d_.button(kIdCancel) ? d_.button(kIdCancel)->hwnd() : nullptr; break;
        default:
          item.name = win::widen(kTitle);
          item.role = ROLE_SYSTEM_DIALOG;
          item.screen = OnScreen(d_.hwnd(), ClientOf(d_.hwnd()));
          return item;
      }
      if (item.window) item.screen = WindowRectOf(item.window);
      return item;
    }
    bool AccessibleDoDefault(int child) override {
      if (child != 1) return false;
      PostMessageW(d_.hwnd(), kOpenLinkMessage, 0, 0);
      return true;
    }
    // The web address, or the focused control's own object (the panel's for the source
    // choice, which then says which row).
    win::AccessibleFocusAt AccessibleFocus() override {
      if (!d_.focus_.here) return {};
      if (d_.focus_.stop == Stop::WebLink) return {1};
      return {-1, d_.WindowOfStop(d_.focus_.stop)};
    }

   private:
    static Rect ClientOf(HWND w) {
      RECT r{};
      GetClientRect(w, &r);
      return {0, 0, r.right, r.bottom};
    }
    SettingsDialog& d_;
  };

  // The panel's client: 1..3 the sources from the top (CD, none, file), 4 the track box,
  // 5 the degree bar, 6 the file button.
  class PanelSource final : public win::AccessibleSource {
   public:
    explicit PanelSource(SettingsDialog& d) : d_(d) {}
    int AccessibleChildCount() override { return 6; }
    win::AccessibleItem AccessibleDescribe(int child) override {
      win::AccessibleItem item;
      if (child >= 1 && child <= 3) {
        const int kind = kRowsTopDown[static_cast<size_t>(child - 1)];
        const Label caption = kRowCaptions[static_cast<size_t>(kind)];
        item.name = win::widen(d_.labelText(caption));
        // What the row shows beside its caption (the track, the path) is its description:
        // readers speak that of a radio button, and never its value.
        item.description = win::widen(RowDescription(kind, d_.repeatText(), d_.labelText(Label::FileName)));
        item.role = ROLE_SYSTEM_RADIOBUTTON;
        const bool checked = d_.markedRow() == kind;
        const bool focused = d_.Has(Stop::MusicSource) && FocusedRow() == child;
        item.state = STATE_SYSTEM_FOCUSABLE | (checked ? STATE_SYSTEM_CHECKED : 0) | Focused(focused);
        item.defaultAction = L"チェック";
        const Rect mark = d_.markRect(kind), text = d_.labelRect(caption);
        const int right = std::max(mark.right(), text.right());
        const int bottom = std::max(mark.bottom(), text.bottom());
        item.screen = OnScreen(d_.panel(), {mark.left, std::min(mark.top, text.top), right - mark.left,
                                            bottom - std::min(mark.top, text.top)});
        return item;
      }
      switch (child) {
        case 4: item.window = d_.repeatBox(); break;
        case 5: item.window = d_.degreeBar(); break;
        case 6: item.window = d_.button(kIdFile) ? d_.button(kIdFile)->hwnd() : nullptr; break;
        default:
          item.name = win::widen(d_.labelText(Label::MusicHeading));
          item.role = ROLE_SYSTEM_CLIENT;
          item.screen = WindowRectOf(d_.panel());
          return item;
      }
      if (item.window) item.screen = WindowRectOf(item.window);
      return item;
    }
    bool AccessibleDoDefault(int child) override {
      if (child < 1 || child > 3) return false;
      PostMessageW(d_.hwnd(), kChooseSourceMessage, static_cast<WPARAM>(kRowsTopDown[static_cast<size_t>(child - 1)]), 0);
      return true;
    }
    win::AccessibleFocusAt AccessibleFocus() override {
      if (d_.Has(Stop::MusicSource)) return {FocusedRow()};
      for (const Stop s : {Stop::DegreeBar, Stop::Repeat, Stop::FileButton}) {
        if (d_.Has(s)) return {-1, d_.WindowOfStop(s)};
      }
      return {};
    }

   private:
    // The chosen row has the focus of the source choice; with none chosen, the top one.
    int FocusedRow() const {
      const int row = RowOf(d_.markedRow());
      return row ? row : 1;
    }
    SettingsDialog& d_;
  };

  // The degree bar: it sets a value and scrolls nothing, so it is a slider to a reader.
  class BarSource final : public win::AccessibleSource {
   public:
    explicit BarSource(SettingsDialog& d) : d_(d) {}
    int AccessibleChildCount() override { return 0; }
    win::AccessibleItem AccessibleDescribe(int) override {
      win::AccessibleItem item;
      item.name = win::widen(d_.labelText(Label::DegreeHeading));
      item.value = std::to_wstring(d_.barPosition());
      item.role = ROLE_SYSTEM_SLIDER;
      item.state = STATE_SYSTEM_FOCUSABLE | Focused(d_.Has(Stop::DegreeBar));
      item.screen = WindowRectOf(d_.degreeBar());
      return item;
    }
    bool AccessibleDoDefault(int) override { return false; }
    win::AccessibleFocusAt AccessibleFocus() override { return {d_.Has(Stop::DegreeBar) ? 0 : -1}; }

   private:
    SettingsDialog& d_;
  };

  WindowSource window_;
  PanelSource panel_;
  BarSource bar_;
  win::AccessibleServer windowServer_, panelServer_, barServer_;
};

LRESULT SettingsDialog::AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp) {
  if (unloading_) return 0;
  if (!access_) access_.reset(new Access(*this));
  return access_->Answer(hwnd, wp, lp, *this);
}

LRESULT SettingsDialog::PanelGetObject(WPARAM wp, LPARAM lp) { return AnswerGetObject(panel(), wp, lp); }

bool SettingsDialog::HandleAccessMessage(UINT msg, WPARAM wp) {
  if (msg == kOpenLinkMessage) {
    OpenWebPage();
    return true;
  }
  if (msg == kChooseSourceMessage) {
    const int kind = static_cast<int>(wp);
    ChooseMusicSource(kind);
    if (const int row = RowOf(kind)) win::NotifyAccessibleState(panel(), row);
    return true;
  }
  return false;
}

void SettingsDialog::AccessDeleter::operator()(Access* access) const { delete access; }

void SettingsDialog::DetachAccess() {
  if (access_) access_->Detach();
}

}  // namespace dialog
