// The user interface font: "ＭＳ Ｐゴシック" 9.75 pt with the Shift-JIS character set, or
// the first installed of a short list of Japanese proportional fonts when it is missing.
#pragma once
#include <windows.h>

#include <string>

#include "win/handle.h"

namespace win {

inline constexpr double kUiFontPoints = 9.75;

// The face name that will be used (the first installed of the list).
const std::wstring& UiFontFace();

struct FontStyle {
  double points = kUiFontPoints;
  int weight = FW_NORMAL;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  BYTE charset = SHIFTJIS_CHARSET;
  std::wstring face;  // empty: UiFontFace()
};

UniqueFont CreateUiFont(int dpi, const FontStyle& style = {});

}  // namespace win
