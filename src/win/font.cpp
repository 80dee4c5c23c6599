// Font selection for the Japanese interface.
#include "win/font.h"

#include <cmath>

namespace win {

namespace {

int CALLBACK Found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool IsInstalled(const wchar_t* face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  WindowDc screen(nullptr);
  if (screen) EnumFontFamiliesExW(screen.get(), &lf, &Found, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

}  // namespace

const std::wstring& UiFontFace() {
  static const std::wstring face = [] {
    static const wchar_t* const kFaces[] = {
        L"ＭＳ Ｐゴシック", L"MS PGothic", L"Meiryo UI", L"Yu Gothic UI",
        L"IPAPGothic", L"IPAexGothic", L"VL PGothic", L"Noto Sans CJK JP", L"IPAGothic"};
    for (const wchar_t* f : kFaces) {
      if (IsInstalled(f)) return std::wstring(f);
    }
    return std::wstring(kFaces[0]);  // let the font mapper choose
  }();
  return face;
}

UniqueFont CreateUiFont(int dpi, const FontStyle& style) {
  LOGFONTW lf{};
  lf.lfHeight = -static_cast<LONG>(std::lround(style.points * dpi / 72.0));
  lf.lfWeight = style.weight;
  lf.lfItalic = style.italic;
  lf.lfUnderline = style.underline;
  lf.lfStrikeOut = style.strikeout;
  lf.lfCharSet = style.charset;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lstrcpynW(lf.lfFaceName, (style.face.empty() ? UiFontFace() : style.face).c_str(), LF_FACESIZE);
  return UniqueFont(CreateFontIndirectW(&lf));
}

}  // namespace win
