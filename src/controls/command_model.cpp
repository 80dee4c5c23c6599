#include "controls/command_model.h"

#include <cmath>

#include "common/twips.h"

namespace controls {

namespace {
constexpr int32_t kBlack = 0;
constexpr int kSystemColourCount = 31;  // COLOR_SCROLLBAR (0) .. COLOR_MENUBAR (30)
}  // namespace

const char* SkinName(Skin skin) {
  switch (skin) {
    case Skin::HighLight: return "HighLight";
    case Skin::HighLightSelect: return "HighLightSelect";
    case Skin::Normal: return "Normal";
    case Skin::Disable: return "Disable";
    case Skin::Selected: return "Selected";
    case Skin::Pressed: return "Pressed";
  }
  return "?";
}

bool IsCaptionColour(int32_t colour) {
  const auto c = static_cast<uint32_t>(colour);
  if ((c & 0xFF000000u) == 0) return true;
  return (c & 0xFFFFFF00u) == 0x80000000u && (c & 0xFFu) < kSystemColourCount;
}

CommandModel::CommandModel(CommandPort& port) : port_(port) {
  label_.layout = ComputeCaptionLayout(widthTwips_, heightTwips_, twipsPerPixel_);
}

// ---------------------------------------------------------------- host interface

void CommandModel::Initialize() {
  s_.ButtonState = kRest;
  timerOn_ = true;
  port_.HoverTimer(true, kHoverIntervalMs);
}

void CommandModel::SetVisible(bool New_Visible) {
  if (New_Visible) {
    backStyle_ = kOpaque;
    port_.LookChanged();
    RepaintNormal();
  } else {
    backStyle_ = kTransparent;
    port_.LookChanged();
  }
  port_.PropertyChanged("Visible");
}

bool CommandModel::Visible() {
  if (backStyle_ == kTransparent) return false;
  RepaintNormal();
  return true;
}

void CommandModel::SetFontColour(int32_t New_FontColour) {
  // A value a label refuses fails the setter: the colour stays, nothing is reported,
  // and the button is repainted in its Normal look all the same.
  if (!IsCaptionColour(New_FontColour)) {
    RepaintNormal();
    return;
  }
  SetCaptionColour(New_FontColour);
  RepaintNormal();
  port_.PropertyChanged("FontColour");
}

int32_t CommandModel::FontColour() {
  const int32_t colour = label_.colour;
  RepaintNormal();
  return colour;
}

bool CommandModel::Enabled() {
  // A newly placed instance turns into an enabled button the first time anything asks.
  if (s_.FirstRun == 0) {
    RepaintNormal();
    s_.FirstRun = 1;
    s_.Enabled = true;
  }
  const bool result = s_.Enabled;
  ShowEnabledState();
  return result;
}

void CommandModel::SetEnabled(bool New_Enabled) {
  s_.Enabled = New_Enabled;
  port_.PropertyChanged("Enabled");
  ShowEnabledState();
}

void CommandModel::SetCaption(const std::string& New_Caption) {
  // The label shows the new text where it stands; its place follows at the next paint.
  label_.text = New_Caption;
  port_.LookChanged();
  port_.PropertyChanged("Caption");
}

void CommandModel::SetFont(const FontDesc& New_Font) {
  label_.font = New_Font;
  port_.LookChanged();
  port_.PropertyChanged("Font");
}

// ---------------------------------------------------------------- window events

void CommandModel::Resize(int32_t widthPixels, int32_t heightPixels, int dpi) {
  twipsPerPixel_ = common::TwipsPerPixel(dpi);
  widthPixels_ = widthPixels;
  heightPixels_ = heightPixels;
  widthTwips_ = static_cast<int32_t>(std::lround(widthPixels * twipsPerPixel_));
  heightTwips_ = static_cast<int32_t>(std::lround(heightPixels * twipsPerPixel_));
  ShowEnabledState();
}

void CommandModel::GotFocus() {
  if (!s_.Enabled) return;
  if (s_.ButtonState != kHover) {
    s_.ButtonState = kFocused;
    PaintSkin(Skin::Selected);
  }
  if (s_.ButtonState == kHover) {
    s_.ButtonState = kFocusedHover;
    PaintSkin(Skin::Pressed);
  }
}

void CommandModel::LostFocus() {
  if (!s_.Enabled) return;
  s_.SpaceHeld = false;  // a Space released elsewhere clicks nothing here
  if (s_.ButtonState != kRest) {
    s_.ButtonState = kRest;
    PaintSkin(Skin::Normal);
  }
}

void CommandModel::MouseDown(MouseButton button) {
  if (!s_.Enabled) return;
  if (button == MouseButton::Left) {
    s_.MouseHeld = true;
    PaintSkin(Skin::Pressed);
  }
}

void CommandModel::MouseMove() {
  if (!s_.Enabled) return;
  if (s_.ButtonState == kRest) {
    s_.ButtonState = kHover;
    PaintSkin(Skin::HighLight);
  }
  if (s_.ButtonState == kFocused && !s_.MouseHeld) {
    s_.ButtonState = kFocusedHover;
    PaintSkin(Skin::HighLightSelect);
  }
}

void CommandModel::MouseUp(MouseButton button) {
  if (!s_.Enabled) return;
  if (button == MouseButton::Left) {
    s_.MouseHeld = false;
    if (s_.ButtonState == kHover) PaintSkin(Skin::Normal);
    if (s_.ButtonState == kFocusedHover) PaintSkin(Skin::HighLightSelect);
  }
  // State 3 here means the pointer left while the button had the focus: no Click.
  if (s_.ButtonState != kFocused && s_.Enabled) port_.Click();
}

void CommandModel::SpaceDown() {
  if (!s_.Enabled || s_.SpaceHeld) return;
  s_.SpaceHeld = true;
  PaintSkin(Skin::Pressed);
}

void CommandModel::SpaceUp() {
  if (!s_.Enabled || !s_.SpaceHeld) return;
  s_.SpaceHeld = false;
  // Back to the look of the state the button is in (the focused one, with or without
  // the pointer over it).
  switch (s_.ButtonState) {
    case kFocusedHover: PaintSkin(Skin::HighLightSelect); break;
    case kHover: PaintSkin(Skin::HighLight); break;
    case kRest: PaintSkin(Skin::Normal); break;
    default: PaintSkin(Skin::Selected); break;
  }
  port_.Click();
}

void CommandModel::EnterPressed() {
  if (s_.Enabled) port_.Click();
}

void CommandModel::TimerTick(bool pointerElsewhere) {
  if (!s_.Enabled || !timerOn_) return;
  if (pointerElsewhere) EndHover();
}

// ---------------------------------------------------------------- property storage

void CommandModel::ReadProperties(const PropertyBag& bag, const FontDesc& ambientFont) {
  // Each step on its own: a value that does not convert leaves the property as it was.
  if (const auto v = ToBoolean(bag.ReadProperty("Enabled", true))) s_.Enabled = *v;
  if (const auto v = ToText(bag.ReadProperty("Caption", std::string("Command1")))) {
    label_.text = *v;
  }
  if (const auto v = ToFont(bag.ReadProperty("Font", ambientFont))) label_.font = *v;
  if (const auto v = ToByte(bag.ReadProperty("FirstRun", std::string("1")))) s_.FirstRun = *v;
  if (const auto v = ToLong(bag.ReadProperty("FontColour", std::string("0")));
      v && IsCaptionColour(*v)) {
    label_.colour = *v;
  }
  if (const auto v = ToInteger(bag.ReadProperty("Visible", std::string("1")));
      v && (*v == kTransparent || *v == kOpaque)) {
    backStyle_ = *v;
  }
  port_.LookChanged();
  RepaintNormal();
}

void CommandModel::WriteProperties(PropertyBag& bag, const FontDesc& ambientFont) {
  bag.WriteProperty("Enabled", s_.Enabled, true);
  bag.WriteProperty("Caption", label_.text, std::string("Command"));
  bag.WriteProperty("FirstRun", static_cast<int32_t>(s_.FirstRun), std::string("1"));
  bag.WriteProperty("Font", label_.font, ambientFont);
  bag.WriteProperty("FontColour", label_.colour, std::string("0"));
  bag.WriteProperty("Visible", static_cast<int32_t>(backStyle_), std::string("1"));
  RepaintNormal();
}

// ---------------------------------------------------------------- painting

void CommandModel::PaintSkin(Skin skin) {
  if (s_.ButtonState == kRest || s_.ButtonState == kFocused) s_.GradientInverted = false;
  if (s_.ButtonState == kHover) s_.GradientInverted = true;

  ComputeFrameGeometry(s_.Frame, widthTwips_, heightTwips_);
  label_.layout = ComputeCaptionLayout(widthTwips_, heightTwips_, twipsPerPixel_);

  SkinPaint paint;
  paint.skin = skin;
  paint.gradientInverted = s_.GradientInverted;
  paint.widthPixels = widthPixels_;
  paint.heightPixels = heightPixels_;
  paint.gradient = ComputeFaceGradient(widthPixels_, heightPixels_, s_.GradientInverted);
  paint.frame = FramePiecesInPixels(s_.Frame, twipsPerPixel_);
  paint.caption = label_.layout;
  port_.PaintSkin(paint);
}

void CommandModel::EndHover() {
  if (s_.ButtonState == kHover) {
    s_.ButtonState = kRest;
    PaintSkin(Skin::Normal);
  } else if (s_.ButtonState == kFocusedHover) {
    s_.ButtonState = kFocused;
    PaintSkin(Skin::Selected);
  }
}

void CommandModel::ShowEnabledState() {
  if (s_.Enabled) {
    PaintSkin(Skin::Normal);
    SetCaptionEnabled(true);
  } else {
    PaintSkin(Skin::Disable);
    SetCaptionEnabled(false);
  }
}

void CommandModel::RepaintNormal() {
  // None of the three steps can fail here (a colour is checked before it is stored), so
  // the "black caption on failure" recovery has nothing to catch.
  if (!s_.Enabled) return;
  SetCaptionEnabled(true);
  if (s_.FirstRun == 0) SetCaptionColour(kBlack);
  PaintSkin(Skin::Normal);
}

void CommandModel::SetCaptionEnabled(bool on) {
  if (label_.enabled == on) return;
  label_.enabled = on;
  port_.LookChanged();
}

void CommandModel::SetCaptionColour(int32_t colour) {
  if (label_.colour == colour) return;
  label_.colour = colour;
  port_.LookChanged();
}

}  // namespace controls
