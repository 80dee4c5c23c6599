// Code page 932 conversion in the Windows builds: the system's own, through UTF-16. The
// native builds use iconv (codepage_iconv.cpp); the core's tests run against both.
#include "settings/codepage.h"

#include <windows.h>

namespace settings {

namespace {
std::wstring ToWide(UINT cp, DWORD flags, std::string_view in) {
  if (in.empty()) return {};
  const int n = MultiByteToWideChar(cp, flags, in.data(), static_cast<int>(in.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(cp, flags, in.data(), static_cast<int>(in.size()), out.data(), n);
  return out;
}
std::string FromWide(UINT cp, std::wstring_view in, BOOL* usedDefault) {
  if (in.empty()) return {};
  // No "best fit" look-alikes (é as e, ¥ as a backslash): a character 932 cannot hold
  // becomes '?' and is reported, so a path never turns silently into another path.
  // (CP_UTF8 takes neither the flag nor the report.)
  const DWORD flags = cp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* report = cp == CP_UTF8 ? nullptr : usedDefault;
  const int n = WideCharToMultiByte(cp, flags, in.data(), static_cast<int>(in.size()), nullptr, 0,
                                    nullptr, report);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, flags, in.data(), static_cast<int>(in.size()), out.data(), n, nullptr,
                      report);
  return out;
}

// Code page 932 to UTF-16 by the table, strictly: Windows (and Wine) would put U+30FB for
// an undefined code, and they disagree about which of the unassigned single bytes the
// strict flag refuses; both are settled here, the same as the native build settles them.
std::wstring Cp932ToWide(std::string_view in) {
  std::wstring out;
  wchar_t unit[2];
  auto strict = [&unit](std::string_view bytes) {
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                               unit, 2);
  };
  // Runs that convert whole go in one call; a run that fails goes again unit by unit.
  size_t runStart = 0;
  auto flush = [&](size_t end) {
    const std::string_view run = in.substr(runStart, end - runStart);
    const std::wstring whole = ToWide(932, MB_ERR_INVALID_CHARS, run);
    if (!whole.empty() || run.empty()) {
      out += whole;
      return;
    }
    for (size_t i = 0; i < run.size();) {
      const size_t step = IsCp932LeadByte(static_cast<unsigned char>(run[i])) && i + 1 < run.size() ? 2 : 1;
      const int n = strict(run.substr(i, step));
      out.append(n > 0 ? unit : L"\uFFFD", n > 0 ? static_cast<size_t>(n) : 1);
      i += step;
    }
  };
  for (size_t i = 0; i < in.size();) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    if (IsCp932LeadByte(c)) {
      i += i + 1 < in.size() ? 2 : 1;
      continue;
    }
    for (const Cp932SingleExtra& extra : kCp932SingleExtras) {
      if (extra.byte != c) continue;
      flush(i);
      out += static_cast<wchar_t>(extra.code);
      runStart = i + 1;
    }
    ++i;
  }
  flush(in.size());
  return out;
}
}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) { return FromWide(CP_UTF8, Cp932ToWide(cp932), nullptr); }

bool Utf8ToCp932(std::string_view utf8, std::string& cp932) {
  BOOL usedDefault = FALSE;
  // CP_UTF8 with no flags turns invalid UTF-8 into U+FFFD, which 932 then maps to '?'.
  cp932 = FromWide(932, ToWide(CP_UTF8, 0, utf8), &usedDefault);
  return !usedDefault;
}

}  // namespace settings
