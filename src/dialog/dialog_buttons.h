// The settings dialog's three skinned buttons as the dialog keeps them: which control of
// the layout each one is (its id, container and place) and the instance data it is
// loaded from. The one place that holds their captions and font.
#pragma once
#include <array>
#include <string_view>

#include "controls/property_bag.h"
#include "dialog/layout.h"

namespace dialog {

struct StoredButton {
  std::string_view name;            // Cmd_Set, Cmd_Can, Cmd_File
  WindowedControl control;          // where it sits: the layout's
  controls::PropertyBag properties;  // what the button reads when it loads
};

// Cmd_Set, Cmd_Can, Cmd_File, in this order.
const std::array<StoredButton, 3>& SettingsDialogButtons();

// The font the dialog offers its controls as their container: what a button falls back
// to when its data holds no font, and what a saved font is compared with.
controls::FontDesc SettingsDialogAmbientFont();

}  // namespace dialog
