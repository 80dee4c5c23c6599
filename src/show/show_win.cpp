// The full-screen show. (Not built yet: show mode ends after the settings are read.)
#include "app/modes.h"

namespace app {

int RunShow(Session&) { return 0; }

}  // namespace app
