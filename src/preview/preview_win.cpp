// The preview window. (Not built yet: preview mode ends at once.)
#include "app/modes.h"

namespace app {

int RunPreview(Session&, HWND) { return 0; }

}  // namespace app
