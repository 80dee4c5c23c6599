// The pictures the program ships, drawn from code. Each function draws one picture at its
// final size; the formats are chosen in main.cpp.
#pragma once
#include <vector>

#include "image.h"

namespace artwork {

// Push-button skins, 64 x 25. Only the outer 4 pixels are ever drawn by the button (the
// face is its own gradient); the middle is filled with a face for a fair look in viewers.
enum class Skin { Normal, HighLight, HighLightSelect, Selected, Pressed, Disable };
constexpr int kSkinWidth = 64;
constexpr int kSkinHeight = 25;
Image SkinPicture(Skin skin);

// The sample the preview window shows: a desktop (wallpaper, icons, task bar) broken into
// square blocks of kPreviewBlock pixels, 152 x 112.
constexpr int kPreviewWidth = 152;
constexpr int kPreviewHeight = 112;
constexpr int kPreviewBlock = 4;
Image PreviewPicture();

// The settings panel's brushed-metal strip, 556 x 20: light grey at the left, a warmer
// darker grey at the right, fine horizontal streaks.
constexpr int kTextureWidth = 556;
constexpr int kTextureHeight = 20;
Image TexturePicture();

// The two radio looks, 12 x 12: off is an empty white square with a grey edge, on a blue
// square with a lighter blue edge.
constexpr int kRadioSize = 12;
Image RadioPicture(bool on);

// The pointing hand of the web link, 32 x 32 in black, white and clear; the fingertip is
// the hot spot.
constexpr int kHandSize = 32;
constexpr int kHandHotX = 12;
constexpr int kHandHotY = 10;
Image HandPicture();

// The program's icon at a square size (16, 32, 48 or 256): a monitor whose screen shows a
// landscape in coarse blocks. Clear outside, soft edges.
Image IconPicture(int size);
// The 256 colours of the icon's 256-colour entries: black, the screen's blocks, a ramp of
// the bezel's greys, and a colour cube for the soft edges.
std::vector<Rgba> IconPalette();

}  // namespace artwork
