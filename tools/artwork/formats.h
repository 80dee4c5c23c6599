// File formats the generator writes. Every encoder returns the whole file as bytes.
#pragma once
#include <string>
#include <vector>

#include "image.h"

namespace artwork {

// Uncompressed 24-bit Windows bitmap (bottom-up rows, BITMAPINFOHEADER). Alpha is ignored.
std::string EncodeBmp24(const Image& image);

// Two-colour cursor (.cur): black where the pixel is black, white where it is white, and
// transparent where alpha is 0. Any other colour is refused (an exception).
std::string EncodeMonoCursor(const Image& image, int hotX, int hotY);

// One entry of an icon file.
enum class IconFormat {
  Palette256,  // 8 bits per pixel, a fixed 256-colour palette, AND mask for transparency
  TrueColour,  // 32 bits per pixel with alpha, plus the AND mask older systems read
  Png,         // PNG, what Windows expects for the 256 x 256 entry
};
struct IconEntry {
  Image image;
  IconFormat format;
};
std::string EncodeIcon(const std::vector<IconEntry>& entries);

// A PNG of 8-bit RGBA pixels.
std::string EncodePng(const Image& image);

// The palette of the 256-colour icon entries and the index of the nearest colour in it.
const std::vector<Rgba>& IconPalette();
int NearestInPalette(Rgba c);

}  // namespace artwork
