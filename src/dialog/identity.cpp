#include "dialog/identity.h"

// Defined for this file only by cmake/identity.cmake.
#if !defined(VESKAR_MAKER_NAME) || !defined(VESKAR_VERSION_TEXT) || !defined(VESKAR_WEB_ADDRESS)
#error "the build defines VESKAR_MAKER_NAME, VESKAR_VERSION_TEXT and VESKAR_WEB_ADDRESS"
#endif

namespace dialog {

const char* MakerName() { return VESKAR_MAKER_NAME; }
const char* VersionText() { return VESKAR_VERSION_TEXT; }
const char* WebAddress() { return VESKAR_WEB_ADDRESS; }

std::string CreditLine() {
  return std::string("Designed by ") + MakerName() + "  " + VersionText();
}

}  // namespace dialog
