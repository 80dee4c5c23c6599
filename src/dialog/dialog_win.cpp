// The settings dialog. (Not built yet: configure mode ends after the settings are read.)
#include "app/modes.h"

namespace app {

int RunSettingsDialog(Session&) { return 0; }

}  // namespace app
