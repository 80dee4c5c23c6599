// `Veskar_P`, the settings dialog: the window "<ベスカル>" with its gradient, the panel
// `Pic_C` with its tiled texture, the windowless labels and radio marks, the track box,
// the degree bar and the three skinned buttons; the load sequence, the zoom animation and
// every action. The rules it follows live in dialog_model.h and layout.h.
//
// The class's members are defined by concern, one file each:
//   settings_dialog_win.cpp          the window: load sequence, modal loop, closing, messages
//   settings_dialog_layout_win.cpp   sizes and places at a DPI, fonts, DPI changes
//   settings_dialog_pictures_win.cpp the resource pictures, the texture tiles, the gradient
//   settings_dialog_labels_win.cpp   measuring and drawing the labels, frames and marks
//   settings_dialog_actions_win.cpp  what the buttons, marks and link do; the pointer
//   settings_dialog_platform_win.cpp the real platform calls and the zoom animation
//   settings_dialog_keys_win.cpp     the keyboard: focus stops, keys, focus cues
//   settings_dialog_access_win.cpp   what assistive technology is told (WM_GETOBJECT)
//   settings_dialog_query_win.cpp    the test query (why it ships is said there)
// The panel Pic_C is a window of its own (settings_dialog_panel_win.h).
#pragma once
#include <windows.h>

#include <commdlg.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/session.h"
#include "dialog/dialog_focus.h"
#include "dialog/dialog_keys.h"
#include "dialog/layout.h"
#include "dialog/settings_dialog_panel_win.h"
#include "settings/file_port.h"
#include "win/handle.h"
#include "win/surface.h"
#include "win/window.h"

namespace controls {
class Command;
}

namespace dialog {

// The platform calls the dialog makes beyond its own windows. Main passes the real ones;
// tests replace them to see what the dialog asks for (Wine's DrawAnimatedRects draws
// nothing, and the file chooser, the browser and a message box would wait for a user).
struct Platform {
  std::function<BOOL(HWND, int, const RECT*, const RECT*)> drawAnimatedRects;
  std::function<BOOL(OPENFILENAMEW*)> getOpenFileName;
  std::function<HINSTANCE(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, int)>
      shellExecute;
  std::function<int(HWND, const wchar_t*, const wchar_t*, UINT)> messageBox;
  std::function<BOOL(POINT*)> getCursorPos;
  settings::FilePort* files = nullptr;  // where the settings are saved
  int dpi = 0;                          // 0: the window's own (tests force another)

  static Platform Real(settings::FilePort& files);
};

// The registered message with which a tool (our end-to-end tests) asks the open dialog
// what it shows and no window of its own tells: the labels and marks have no windows, so
// WM_GETTEXT cannot reach them, and the skinned file button's enabled state is its own.
// wParam is the window to answer; the dialog sends it WM_COPYDATA with UTF-16
// "name=value" lines (see Snapshot). The message changes nothing. The track box and the
// degree bar are windows: a tool reads them through those.
UINT QueryMessage();
inline constexpr const wchar_t* kQueryMessageName = L"Veskar.SettingsDialog.Query";

class SettingsDialog final : public win::Window, private PanelOwner {
 public:
  SettingsDialog(app::Session& session, Platform platform);
  ~SettingsDialog() override;

  // Makes the window and its controls, runs the load sequence and shows the dialog.
  // False when the window could not be made. A close that arrives meanwhile (a message
  // sent by another program is handled inside many platform calls) waits for the end of
  // the load and is carried out then.
  bool Load();
  // Runs the dialog's own message loop until the window is gone, however it went (an
  // action, a close sent or posted, the end of the session), or a WM_QUIT arrives, which
  // unloads it; returns 0.
  int RunModal();

  // ---- the actions (what the buttons, marks, captions and the link do)
  void Confirm();                   // Cmd_Set: save and unload; on failure say so and stay
  void Cancel();                    // Cmd_Can and the close box: unload, nothing written
  void ChooseFile();                // Cmd_File
  void ChooseMusicSource(int kind); // a mouse button pressed on a mark or its caption
  void OpenWebPage();               // lbl_URL clicked

  // ---- what the dialog shows
  HWND panel() const;
  HWND repeatBox() const { return combo_.get(); }
  HWND degreeBar() const { return bar_.get(); }
  controls::Command* button(int id) const;
  int dpi() const { return dpi_; }
  Point anchor() const { return anchor_; }
  const std::string& labelText(Label label) const { return texts_[static_cast<size_t>(label)]; }
  // A label's rectangle in its container's client area (an auto-sized one fits its text).
  Rect labelRect(Label label) const { return labelRects_[static_cast<size_t>(label)]; }
  Rect markRect(int kind) const;  // Img_BGM(kind), in the panel
  int markedRow() const;          // the kind whose mark is on, -1 for none
  bool repeatEnabled() const;
  bool fileEnabled() const;
  int barPosition() const;
  std::string repeatText() const;
  // Where the keyboard focus is, as a stop of the tab order (the degree bar when the
  // focus is not in the dialog).
  Stop focusStop() const;
  bool Has(Stop stop) const { return focus_.here && focus_.stop == stop; }  // `stop` has the focus
  bool focusCuesShown() const;  // the keyboard cues are on (WM_QUERYUISTATE)
  // For QueryMessage, as "name=value" lines: each label's text and rectangle, each mark's
  // rectangle, the marked row, whether Cmd_File is enabled, the zoom's anchor, and the
  // focus (its stop, empty while away, and its cue).
  std::wstring Snapshot() const;

 protected:
  LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void onDestroyed() override;

 private:
  static constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  static constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

  // PanelOwner: what the panel hands on.
  void DrawOverPanel(HDC dc) const override;
  void PanelPressed(int x, int y) override;
  void PanelScrolled(HWND bar, WPARAM wp) override;
  LRESULT PanelGetObject(WPARAM wp, LPARAM lp) override;
  void PanelFocusChanged(HWND window, bool gained) override;

  // The keyboard (settings_dialog_keys_win.cpp).
  bool HandleKey(const MSG& msg);  // true: the dialog took the key
  void FocusStop(Stop stop);
  // Tells the focus (focus_) what happened and carries out what follows; false when the
  // bar, just given the focus, is not to be told of it yet.
  bool ReportFocus(const FocusEvent& event);
  void AnnounceFocus(Stop stop);
  HWND WindowOfStop(Stop stop) const;
  static int ButtonIdOf(Stop stop);  // the skinned button's control id, 0 for other stops
  StopsEnabled EnabledStops() const;
  void ShowFocusCues();
  void InvalidateFocusCues();
  void DrawFocusCue(HDC dc, Container container) const;
  void OnActivate(WPARAM wp);
  void OnSetFocus();
  static LRESULT CALLBACK BarProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

  // Assistive technology (settings_dialog_access_win.cpp).
  class Access;
  struct AccessDeleter {
    void operator()(Access* access) const;
  };
  LRESULT AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp);
  bool HandleAccessMessage(UINT msg, WPARAM wp);  // the default actions, posted
  void DetachAccess();                 // the window goes: the objects stop answering

  bool LoadSequence();
  bool CreateControls();
  void Layout(int dpi);  // every size and place for a DPI, fonts and pictures included
  void SetFonts(int dpi);
  void FitRepeatBox(const Rect& at);
  void SetSmallIcon(int dpi);
  // The outer size whose client area is the layout's at `dpi`, the frame drawn at `frameDpi`.
  SIZE WindowSizeFor(int dpi, int frameDpi) const;
  void OnDpiChanged(int dpi, const RECT& suggested);
  void MeasureLabels();
  void PlaceAtStart();
  void InitButtons();
  void TileBackground();
  void LoadPictures();
  void DrawGradient();
  void SetDegreeLabel(int value);
  void SetBarPosition(int value);
  void ShowMusicKind(int kind);
  void SetLabel(Label label, const std::string& text);
  void Unload();
  void RequestClose();  // a close of the window: now, or once the load is done
  void OnScroll(WPARAM wp);
  void DrawLabels(HDC dc, Container container) const;
  void PaintWindow();
  bool OverWebAddress(int x, int y) const;
  void RestoreCursor();
  bool SetCursorFor(HWND over, WORD hitTest);
  void AnswerQuery(HWND replyTo) const;

  app::Session& session_;
  Platform platform_;
  int dpi_ = 96;
  Point anchor_;
  int markedKind_ = -1;
  bool unloading_ = false;
  bool loading_ = false;         // inside Load: a close waits for its end
  bool closeRequested_ = false;  // a close came during the load
  bool urlPressed_ = false;
  HCURSOR cursorOverride_ = nullptr;  // the application-wide pointer; null: the default
  Focus focus_;  // where the keyboard focus is, and whether the bar shows it (dialog_focus.h)
  std::unique_ptr<Access, AccessDeleter> access_;

  std::unique_ptr<Panel> panel_;
  win::UniqueWindow combo_;
  win::UniqueWindow bar_;
  std::array<std::unique_ptr<controls::Command>, 3> buttons_;  // as SettingsDialogButtons()

  std::array<std::string, kLabelCount> texts_;
  std::array<Rect, kLabelCount> labelRects_{};

  win::UniqueFont labelFont_, linkFont_, boxFont_;
  win::UniqueIcon smallIcon_;     // the title bar's icon at this DPI
  HCURSOR handCursor_ = nullptr;  // shared resource: not destroyed

  win::Surface gradient_;     // the window's persistent image
  win::Surface compose_;      // the window's picture with its labels, for the screen
  win::Surface strip_;        // Pic_Mbl: the texture strip at this DPI
  std::array<win::Surface, 2> radioLooks_;  // Img_Ra(0) off, Img_Ra(1) on, at this DPI
};

// The zoom animation: an outline that grows from the anchor to the window's screen
// rectangle (open), or shrinks back into it (close). The results are not used.
void AnimateOpen(HWND hwnd, Point anchor, const Platform& platform);
void AnimateClose(HWND hwnd, Point anchor, const Platform& platform);

}  // namespace dialog
