// The skinned push button `Command` without its window: the button state, the hover and
// focus rules, the properties with their side effects, and the two property-storage
// routines. Everything it draws or tells the host goes through a CommandPort, which the
// window code carries out (src/controls/command_win.cpp) and tests record.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "controls/property_bag.h"
#include "controls/skin_geometry.h"

namespace controls {

// The six skin pictures, in the order the control holds them.
enum class Skin : uint8_t { HighLight, HighLightSelect, Normal, Disable, Selected, Pressed };
inline constexpr int kSkinCount = 6;
const char* SkinName(Skin skin);

enum class MouseButton : uint8_t { Left, Right, Middle };

// `ButtonState` values.
inline constexpr uint8_t kNotInitialised = 0;
inline constexpr uint8_t kRest = 1;
inline constexpr uint8_t kHover = 2;
inline constexpr uint8_t kFocused = 3;
inline constexpr uint8_t kFocusedHover = 4;

inline constexpr unsigned kHoverIntervalMs = 100;  // TmrMouse

// Background styles: 0 shows only the caption over the host, 1 shows face and frame.
inline constexpr int16_t kTransparent = 0;
inline constexpr int16_t kOpaque = 1;

// One run of PaintSkin, everything decided: the shell clears its buffer, fills the
// gradient, draws the frame pieces from the skin, copies the buffer to the screen and
// puts the caption at `caption`.
struct SkinPaint {
  Skin skin = Skin::Normal;
  bool gradientInverted = false;
  int32_t widthPixels = 0, heightPixels = 0;
  FaceGradient gradient;
  std::array<FramePiece, 8> frame;  // in pixels; an empty destination is skipped
  CaptionLayout caption;
};

// What the control asks of the world. Calls arrive in the order the routines make them.
class CommandPort {
 public:
  virtual ~CommandPort() = default;
  virtual void PaintSkin(const SkinPaint& paint) = 0;
  // The caption's text, font, colour or enabled state, or the background style, changed:
  // what is on screen must be drawn again from the buffer (no new PaintSkin).
  virtual void LookChanged() = 0;
  // The host learns that a stored property changed ("Visible", "FontColour", ...).
  virtual void PropertyChanged(std::string_view name) = 0;
  virtual void Click() = 0;
  virtual void HoverTimer(bool enabled, unsigned intervalMs) = 0;
};

// The control's members, named as the routines name them.
struct CommandState {
  bool GradientInverted = false;
  uint8_t FirstRun = 0;  // 0 until something has asked for Enabled
  bool Enabled = false;
  uint8_t ButtonState = kNotInitialised;
  FrameGeometry Frame;
  bool MouseHeld = false;  // the left button went down here and has not come up
  bool SpaceHeld = false;  // Space went down while the button had the focus, not yet up
};

// The caption label: no window of its own; the shell draws it over the face.
struct CaptionLabel {
  std::string text = "Command";
  FontDesc font = DesignFont();
  int32_t colour = 0;  // red in bits 0-7, green 8-15, blue 16-23; 0x800000nn: system colour nn
  bool enabled = true;
  CaptionLayout layout;
};

// Whether a caption colour is one a label takes: a plain RGB value or a system colour.
bool IsCaptionColour(int32_t colour);

class CommandModel {
 public:
  explicit CommandModel(CommandPort& port);

  // --- what a host calls ---
  void Initialize();
  void SetVisible(bool New_Visible);
  bool Visible();  // repaints Normal while the background is opaque
  void SetFontColour(int32_t New_FontColour);
  int32_t FontColour();  // repaints Normal
  bool Enabled();        // the FirstRun rule, then repaints Normal or Disable
  void SetEnabled(bool New_Enabled);
  const std::string& Caption() const { return label_.text; }
  void SetCaption(const std::string& New_Caption);
  const FontDesc& Font() const { return label_.font; }
  void SetFont(const FontDesc& New_Font);

  // --- window events ---
  void Resize(int32_t widthPixels, int32_t heightPixels, int dpi);
  void GotFocus();
  void LostFocus();
  void MouseDown(MouseButton button);
  void MouseMove();  // over the control or its caption
  void MouseUp(MouseButton button);
  // The keyboard, while the button has the focus: Space shows the Pressed look while it
  // is held and clicks on its release; Enter clicks at once. The key repeat of a held
  // Space changes nothing.
  void SpaceDown();
  void SpaceUp();
  void EnterPressed();
  // The hover test's tick; `pointerElsewhere` when the window under the pointer is not
  // this control's. A failed lookup is no tick at all.
  void TimerTick(bool pointerElsewhere);

  // --- the two property-storage events ---
  void ReadProperties(const PropertyBag& bag, const FontDesc& ambientFont);
  void WriteProperties(PropertyBag& bag, const FontDesc& ambientFont);

  // --- read without side effects, for the shell and for tests ---
  const CommandState& state() const { return s_; }
  const CaptionLabel& label() const { return label_; }
  int16_t backStyle() const { return backStyle_; }
  int32_t widthTwips() const { return widthTwips_; }
  int32_t heightTwips() const { return heightTwips_; }
  double twipsPerPixel() const { return twipsPerPixel_; }

 private:
  void PaintSkin(Skin skin);
  void EndHover();
  void ShowEnabledState();
  void RepaintNormal();
  void SetCaptionEnabled(bool on);
  void SetCaptionColour(int32_t colour);

  CommandPort& port_;
  CommandState s_;
  CaptionLabel label_;
  int16_t backStyle_ = kOpaque;
  bool timerOn_ = false;
  // The control's size: whole twips, and the pixels they came from.
  int32_t widthTwips_ = 1755, heightTwips_ = 420;
  int32_t widthPixels_ = 117, heightPixels_ = 28;
  double twipsPerPixel_ = 15.0;
};

}  // namespace controls
