#include "dialog/dialog_buttons.h"

#include <string>

namespace dialog {

namespace {

// Keys as the dialog's data spells them; the button matches them without regard to case.
StoredButton Button(std::string_view name, const WindowedControl& control, const char* caption) {
  return {name, control,
          controls::PropertyBag{{"caption", std::string(caption)}, {"font", controls::DesignFont()}}};
}

}  // namespace

const std::array<StoredButton, 3>& SettingsDialogButtons() {
  static const std::array<StoredButton, 3> buttons = {
      Button("Cmd_Set", kSetButton, "設定"),
      Button("Cmd_Can", kCancelButton, "ｷｬﾝｾﾙ"),
      Button("Cmd_File", kFileButton, "..."),
  };
  return buttons;
}

controls::FontDesc SettingsDialogAmbientFont() {
  // A new window's font: the same face at 9 points.
  controls::FontDesc f = controls::DesignFont();
  f.Size = 9.0;
  return f;
}

}  // namespace dialog
