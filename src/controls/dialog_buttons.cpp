#include "controls/dialog_buttons.h"

namespace controls {

namespace {

// Keys as the dialog's data spells them; the control matches them without regard to case.
ButtonInstance Button(std::string_view name, ButtonContainer container, int32_t left,
                      int32_t top, int32_t width, int32_t height, const char* caption) {
  return {name, container,
          PropertyBag{{std::string(kLeftKey), left},
                      {std::string(kTopKey), top},
                      {std::string(kWidthKey), width},
                      {std::string(kHeightKey), height},
                      {"caption", std::string(caption)},
                      {"font", DesignFont()}}};
}

}  // namespace

const std::array<ButtonInstance, 3>& SettingsDialogButtons() {
  // Extents are the dialog layout's pixels at 96 dpi times 15.
  static const std::array<ButtonInstance, 3> buttons = {
      Button("Cmd_Set", ButtonContainer::Window, 4860, 3000, 1155, 375, "設定"),
      Button("Cmd_Can", ButtonContainer::Window, 6060, 3000, 1155, 375, "ｷｬﾝｾﾙ"),
      Button("Cmd_File", ButtonContainer::Panel, 420, 1740, 615, 315, "..."),
  };
  return buttons;
}

FontDesc SettingsDialogAmbientFont() {
  // A new window's font: the same face at 9 points.
  FontDesc f = DesignFont();
  f.Size = 9.0;
  return f;
}

TwipsExtent ExtentOf(const ButtonInstance& button) {
  auto read = [&button](std::string_view key) {
    return ToLong(button.properties.ReadProperty(key, int32_t{0})).value_or(0);
  };
  return {read(kLeftKey), read(kTopKey), read(kWidthKey), read(kHeightKey)};
}

}  // namespace controls
