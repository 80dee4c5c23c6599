// The settings file codec: a private-profile (INI) document held as the file's own bytes
// (code page 932), read by the Windows private-profile rules and edited in place so that
// every byte the program does not change stays as it was.
//
// Reading: lines end at CR LF, LF or CR; blanks before a line are skipped; ';' starts a
// comment line; "[name]" opens a section; "key=value" is a key. Names match without regard
// to case (letters of ASCII, full-width Latin, Greek and Cyrillic; the second byte of a
// two-byte character is never folded). The value is trimmed of blanks and loses one outer
// pair of matching quotes. The first of duplicate sections or keys wins.
//
// Writing: an existing key keeps everything up to its '=' and gets the value right after
// it; a new key goes on a line after the last key of its section; a new section goes at
// the end. New lines end in CR LF.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace settings {

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string bytes) : bytes_(std::move(bytes)) {}

  // All names and values are code page 932 bytes.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);

  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// True when two names are the same without regard to case.
bool NamesEqual(std::string_view a, std::string_view b);

// True when a value can be written on one line (no line break, no zero byte).
bool IsWritableValue(std::string_view value);

}  // namespace settings
