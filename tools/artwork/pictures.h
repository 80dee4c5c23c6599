// The pictures the program ships, drawn from code. Each function draws one picture at its
// final size; the formats are chosen in main.cpp.
#pragma once
#include "image.h"

namespace artwork {

// Push-button skins, 64 x 25. Only the outer 4 pixels are ever drawn by the button (the
// face is its own gradient); the middle is filled with a face for a fair look in viewers.
enum class Skin { Normal, HighLight, HighLightSelect, Selected, Pressed, Disable };
constexpr int kSkinWidth = 64;
constexpr int kSkinHeight = 25;
Image SkinPicture(Skin skin);

}  // namespace artwork
