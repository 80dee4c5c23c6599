// Code page 932 conversion: the Windows API in the real program, glibc's iconv in the
// native test build (its "CP932" is Microsoft's table, the same mapping Windows uses).
#include "settings/codepage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cerrno>

namespace settings {

#ifdef _WIN32

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
}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  return FromWide(CP_UTF8, ToWide(932, 0, cp932), nullptr);
}

bool Utf8ToCp932(std::string_view utf8, std::string& cp932) {
  BOOL usedDefault = FALSE;
  // CP_UTF8 with no flags turns invalid UTF-8 into U+FFFD, which 932 then maps to '?'.
  cp932 = FromWide(932, ToWide(CP_UTF8, 0, utf8), &usedDefault);
  return !usedDefault;
}

#else

namespace {
// Converts with iconv; an unconvertible or invalid input unit is replaced and skipped.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out,
             std::string_view replacement, size_t invalidStep) {
  out.clear();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  bool lossless = true;
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[256];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one unit of the input and put the replacement in its place.
      lossless = false;
      size_t step = invalidStep;
      if (invalidStep == 0) {  // UTF-8 input: skip one whole sequence if it looks like one
        const unsigned char c = static_cast<unsigned char>(*src);
        step = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        size_t k = 1;
        while (k < step && k < srcLeft && (static_cast<unsigned char>(src[k]) & 0xC0) == 0x80) ++k;
        step = k;
      } else if (invalidStep == 2 && srcLeft >= 2 &&
                 IsCp932LeadByte(static_cast<unsigned char>(*src))) {
        step = 2;
      } else {
        step = 1;
      }
      step = step > srcLeft ? srcLeft : step;
      src += step;
      srcLeft -= step;
      out.append(replacement);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return lossless;
}
}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  Convert("UTF-8", "CP932", cp932, out, "\xEF\xBF\xBD", 2);
  return out;
}

bool Utf8ToCp932(std::string_view utf8, std::string& cp932) {
  return Convert("CP932", "UTF-8", utf8, cp932, "?", 0);
}

#endif

}  // namespace settings
