// Code page 932 conversion for the native builds (the core's tests and fuzzers): glibc's
// iconv, whose "CP932" is Microsoft's table, the mapping Windows uses. The Windows builds
// use the system's own conversion instead (codepage_win.cpp).
#include "settings/codepage.h"

#include <iconv.h>

#include <cerrno>

namespace settings {

namespace {
std::string Utf8Of(char32_t code) {  // code points below U+10000
  if (code < 0x80) return std::string(1, static_cast<char>(code));
  if (code < 0x800) {
    return {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
  }
  return {static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
          static_cast<char>(0x80 | (code & 0x3F))};
}

// What iconv refuses but Windows' table maps one to one (kCp932SingleExtras): the unit
// at `src` of `step` bytes in the other encoding, or nothing.
std::string SingleExtra(std::string_view unit, bool fromCp932) {
  for (const Cp932SingleExtra& extra : kCp932SingleExtras) {
    const std::string utf8 = Utf8Of(extra.code);
    if (fromCp932 && unit.size() == 1 && static_cast<unsigned char>(unit[0]) == extra.byte) return utf8;
    if (!fromCp932 && unit == utf8) return std::string(1, static_cast<char>(extra.byte));
  }
  return {};
}

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
      const std::string extra = SingleExtra(std::string_view(src, step), invalidStep == 2);
      src += step;
      srcLeft -= step;
      if (extra.empty()) {
        out.append(replacement);
        lossless = false;
      } else {
        out.append(extra);
      }
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

}  // namespace settings
