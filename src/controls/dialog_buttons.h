// The settings dialog's three buttons as the dialog keeps them: where each one sits and
// the property bag it is created from. This is the one place that holds their captions,
// font and extents; the dialog reads it when it loads (CreateSettingsButtons in
// command_win.h) and never spells a caption itself.
#pragma once
#include <array>
#include <string_view>

#include "controls/property_bag.h"

namespace controls {

// Which window of the dialog a button sits in.
enum class ButtonContainer { Window, Panel };  // the dialog itself, or the panel Pic_C

struct ButtonInstance {
  std::string_view name;      // Cmd_Set, Cmd_Can, Cmd_File
  ButtonContainer container;
  PropertyBag properties;     // the dialog's own keys Left, Top, Width, Height (twips) too
};

// The host's extent keys, in twips relative to the container.
inline constexpr std::string_view kLeftKey = "Left";
inline constexpr std::string_view kTopKey = "Top";
inline constexpr std::string_view kWidthKey = "Width";
inline constexpr std::string_view kHeightKey = "Height";

// Cmd_Set, Cmd_Can, Cmd_File, in this order.
const std::array<ButtonInstance, 3>& SettingsDialogButtons();

// The font the dialog offers its controls as their container: what a button falls back
// to when its data holds no font, and what a saved font is compared with.
FontDesc SettingsDialogAmbientFont();

// A button's extent in twips, read through its bag (absent keys give 0).
struct TwipsExtent {
  int32_t left = 0, top = 0, width = 0, height = 0;
};
TwipsExtent ExtentOf(const ButtonInstance& button);

}  // namespace controls
