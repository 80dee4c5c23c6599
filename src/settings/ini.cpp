#include "settings/ini.h"

#include <vector>

#include "settings/codepage.h"

namespace settings {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A'; }

// One character of a name, case-folded: a single byte, or a lead and a trail byte.
unsigned FoldedChar(std::string_view s, size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i++]);
  if (IsCp932LeadByte(c) && i < s.size()) {
    const unsigned char t = static_cast<unsigned char>(s[i++]);
    unsigned code = (static_cast<unsigned>(c) << 8) | t;
    if (code >= 0x8281 && code <= 0x829A) code -= 0x21;       // full-width a-z -> A-Z
    else if (code >= 0x83BF && code <= 0x83D6) code -= 0x20;  // Greek small -> capital
    else if (code >= 0x8470 && code <= 0x8491 && code != 0x847F) {
      // Cyrillic small -> capital; the small block skips 0x847F, the capital block does not
      code = code - 0x30 - (code > 0x847F ? 1 : 0);
    }
    return code;
  }
  if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
  return c;
}

struct Line {
  size_t begin;    // first byte of the line
  size_t end;      // one past the last byte before the terminator
  size_t next;     // first byte of the next line
};

std::vector<Line> SplitLines(const std::string& s) {
  std::vector<Line> lines;
  size_t i = 0;
  while (i < s.size()) {
    size_t e = i;
    while (e < s.size() && s[e] != '\r' && s[e] != '\n') ++e;
    size_t next = e;
    if (next < s.size() && s[next] == '\r') ++next;
    if (next < s.size() && s[next] == '\n' && (next == e || s[next - 1] == '\r')) ++next;
    lines.push_back({i, e, next});
    i = next;
  }
  return lines;
}

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

enum class Kind { Other, Section, Key };

struct Parsed {
  Kind kind = Kind::Other;
  std::string_view name;   // section or key name, trimmed
  size_t valueStart = 0;   // Key: offset of the byte after '='
};

Parsed ParseLine(const std::string& s, const Line& line) {
  std::string_view text(s.data() + line.begin, line.end - line.begin);
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i == text.size() || text[i] == ';') return {};
  if (text[i] == '[') {
    // Find ']' character by character: the trail byte of a two-byte character may be 0x5D.
    size_t j = i + 1;
    while (j < text.size() && text[j] != ']') {
      j += (IsCp932LeadByte(static_cast<unsigned char>(text[j])) && j + 1 < text.size()) ? 2 : 1;
    }
    if (j >= text.size()) return {};
    return {Kind::Section, Trim(text.substr(i + 1, j - i - 1)), 0};
  }
  const size_t eq = text.find('=', i);  // '=' is never a trail byte
  if (eq == std::string_view::npos) return {};
  return {Kind::Key, Trim(text.substr(i, eq - i)), line.begin + eq + 1};
}

struct Found {
  bool section = false;
  size_t afterLastKey = 0;  // offset where a new key line goes
  bool afterLastKeyHasTerminator = true;
  bool key = false;
  size_t valueStart = 0, valueEnd = 0;
};

Found Locate(const std::string& s, std::string_view section, std::string_view key) {
  Found f;
  bool inSection = false;
  for (const Line& line : SplitLines(s)) {
    const Parsed p = ParseLine(s, line);
    if (p.kind == Kind::Section) {
      if (inSection) break;  // the first matching section is the one
      if (NamesEqual(p.name, section)) {
        inSection = f.section = true;
        f.afterLastKey = line.next;
        f.afterLastKeyHasTerminator = line.next > line.end;
      }
      continue;
    }
    if (!inSection || p.kind != Kind::Key) continue;
    f.afterLastKey = line.next;
    f.afterLastKeyHasTerminator = line.next > line.end;
    if (NamesEqual(p.name, key)) {
      f.key = true;
      f.valueStart = p.valueStart;
      f.valueEnd = line.end;
      return f;
    }
  }
  return f;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (FoldedChar(a, i) != FoldedChar(b, j)) return false;
  }
  return i == a.size() && j == b.size();
}

bool IsWritableValue(std::string_view value) {
  return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const Found f = Locate(bytes_, section, key);
  if (!f.key) return std::nullopt;
  std::string_view value = Trim(std::string_view(bytes_).substr(f.valueStart, f.valueEnd - f.valueStart));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const Found f = Locate(bytes_, section, key);
  if (f.key) {
    bytes_.replace(f.valueStart, f.valueEnd - f.valueStart, value);
    return;
  }
  std::string line;
  line.append(key).append("=").append(value).append("\r\n");
  if (f.section) {
    if (!f.afterLastKeyHasTerminator) line.insert(0, "\r\n");
    bytes_.insert(f.afterLastKey, line);
    return;
  }
  if (!bytes_.empty() && bytes_.back() != '\n' && bytes_.back() != '\r') bytes_ += "\r\n";
  bytes_.append("[").append(section).append("]\r\n").append(line);
}

}  // namespace settings
