// `Command` (class "Veskar.Command"): the skinned push button as a child window. The
// rules live in CommandModel; this window turns messages into its events and carries out
// its paints on a persistent back buffer, the face and frame, with the caption drawn over
// it (the caption has no window, so the pointer over the caption is over the button).
//
// Click reaches the host through the `onClick` callback, called last in the handler of
// the mouse-button release, after the capture is let go: the host may destroy the button
// from inside it. With the focus, Space shows the pressed look while it is held and
// clicks on its release, and Enter clicks. To assistive technology it is a push button
// named by its caption (WM_GETOBJECT). A transparent button (Visible false) shows its parent's WM_PRINTCLIENT
// picture under the caption, or the parent's class brush when the parent draws none.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "controls/command_model.h"
#include "controls/property_bag.h"
#include "win/accessible.h"
#include "win/handle.h"
#include "win/surface.h"
#include "win/timer.h"
#include "win/window.h"

namespace controls {

inline constexpr wchar_t kCommandClass[] = L"Veskar.Command";

class Command : public win::Window, private CommandPort, private win::AccessibleSource {
 public:
  Command();
  ~Command() override;

  // Creates the button in `parent` at x, y, width, height (pixels of the parent). With
  // `stored`, the instance is loaded from that bag (with `ambient` as the container's
  // font) before it is first sized, as a host window loads its controls; without it the
  // button starts from its creation values: disabled until something asks for Enabled.
  bool Create(HWND parent, int x, int y, int width, int height, int id = 0,
              const PropertyBag* stored = nullptr, const FontDesc& ambient = DesignFont());

  // The host interface (see CommandModel for what each one paints and reports).
  void Initialize() { model_.Initialize(); }
  bool Visible() { return model_.Visible(); }
  void SetVisible(bool New_Visible) { model_.SetVisible(New_Visible); }
  int32_t FontColour() { return model_.FontColour(); }
  void SetFontColour(int32_t New_FontColour) { model_.SetFontColour(New_FontColour); }
  bool Enabled();
  void SetEnabled(bool New_Enabled);
  const std::string& Caption() const { return model_.Caption(); }
  void SetCaption(const std::string& New_Caption) { model_.SetCaption(New_Caption); }
  const FontDesc& Font() const { return model_.Font(); }
  void SetFont(const FontDesc& New_Font) { model_.SetFont(New_Font); }
  void ReadProperties(const PropertyBag& bag, const FontDesc& ambient);
  void WriteProperties(PropertyBag& bag, const FontDesc& ambient) {
    model_.WriteProperties(bag, ambient);
  }

  // The DPI the frame and the caption are drawn for: the parent's at creation. A host
  // that moves to another DPI calls this (it repaints as a resize does).
  void SetDpi(int dpi);
  int dpi() const { return dpi_; }

  // The host's default button (the one Enter anywhere else clicks): assistive technology
  // is told so. It changes nothing that is drawn.
  void SetDefault(bool isDefault) { default_ = isDefault; }

  // Raised when a mouse button is released over the button (see CommandModel::MouseUp),
  // when Enter or a released Space clicks it, and for assistive technology's default
  // action.
  std::function<void()> onClick;
  // Told when the button has taken (true) or lost (false) the keyboard focus, after its
  // look has followed.
  std::function<void(bool)> onFocusChanged;
  // Told the name of a stored property that changed ("Caption", "Enabled", ...).
  std::function<void(std::string_view)> onPropertyChanged;

  // The state, for hosts that need to know and for tests; reading it paints nothing.
  const CommandModel& model() const { return model_; }

 protected:
  LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  // The window is gone (its parent may go first): stop the timer while its handle is ours.
  void onDestroyed() override;

 private:
  // CommandPort
  void PaintSkin(const SkinPaint& paint) override;
  void LookChanged() override;
  void PropertyChanged(std::string_view name) override;
  void Click() override { clickPending_ = true; }
  void HoverTimer(bool enabled, unsigned intervalMs) override;

  // AccessibleSource: the button alone, child 0.
  int AccessibleChildCount() override { return 0; }
  win::AccessibleItem AccessibleDescribe(int child) override;
  bool AccessibleDoDefault(int child) override;
  win::AccessibleFocusAt AccessibleFocus() override { return {GetFocus() == hwnd() ? 0 : -1}; }

  void Resized();
  void RaiseClick();
  void HoverTest();
  void MouseButtonDown(MouseButton button);
  LRESULT MouseButtonUp(MouseButton button, WPARAM keys);
  void Compose(HDC target);
  void SyncTabStop();

  CommandModel model_;
  win::Surface back_;     // face and frame, as the last PaintSkin left them
  win::Surface compose_;  // back_ (or the parent's picture) with the caption, for the screen
  win::Timer tmrMouse_{1, kHoverIntervalMs};
  win::UniqueFont font_;
  FontDesc fontMadeFrom_;
  int fontDpi_ = 0;
  int dpi_ = 96;
  bool clickPending_ = false;
  bool default_ = false;
  win::AccessibleServer accessible_;
  const PropertyBag* pendingBag_ = nullptr;  // only during Create
  FontDesc pendingAmbient_;
};

// Draws a face gradient on `dc` with GradientFill (vertical, two vertices, one rectangle).
bool FillFaceGradient(HDC dc, const FaceGradient& gradient);

}  // namespace controls
