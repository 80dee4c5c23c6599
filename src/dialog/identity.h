// Who made the saver and where to find them: the settings dialog's credit line and web
// address. The values come from the build (cmake/identity.cmake), set there once.
#pragma once
#include <string>

namespace dialog {

const char* MakerName();
const char* VersionText();   // "Ver.1.0.0"
const char* WebAddress();

// "Designed by", the maker's name and the version text, as the credit line shows them.
std::string CreditLine();

}  // namespace dialog
