// The settings file keeps code page 932 (Shift-JIS, Windows flavour) bytes; the program
// keeps UTF-8. These two functions are the only way between them.
#pragma once
#include <string>
#include <string_view>

namespace settings {

// Bytes that are not valid code page 932 become U+FFFD; never fails. A two-byte code the
// table leaves undefined and a lead byte without its trail byte are one U+FFFD each (not
// Windows' default character U+30FB, which would be written back as a different, valid
// character without a report).
std::string Cp932ToUtf8(std::string_view cp932);

// Characters code page 932 cannot hold become '?'. Returns false when that happened.
bool Utf8ToCp932(std::string_view utf8, std::string& cp932);

// True for a byte that starts a two-byte character in code page 932.
constexpr bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The single bytes Shift-JIS leaves unassigned that Windows' table still maps, one to one,
// to code points of their own. Both ways keep them, so that a stored path that has one
// still names the file Windows gave that name.
struct Cp932SingleExtra {
  unsigned char byte;
  char32_t code;
};
inline constexpr Cp932SingleExtra kCp932SingleExtras[] = {
    {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};

}  // namespace settings
