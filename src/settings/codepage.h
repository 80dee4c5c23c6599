// The settings file keeps code page 932 (Shift-JIS, Windows flavour) bytes; the program
// keeps UTF-8. These two functions are the only way between them.
#pragma once
#include <string>
#include <string_view>

namespace settings {

// Bytes that are not valid code page 932 become U+FFFD; never fails.
std::string Cp932ToUtf8(std::string_view cp932);

// Characters code page 932 cannot hold become '?'. Returns false when that happened.
bool Utf8ToCp932(std::string_view utf8, std::string& cp932);

// True for a byte that starts a two-byte character in code page 932.
constexpr bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace settings
