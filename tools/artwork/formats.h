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
// `palette` (at most 256 colours, the first of them black) serves the 256-colour entries;
// each of their pixels takes the nearest colour in it.
std::string EncodeIcon(const std::vector<IconEntry>& entries, const std::vector<Rgba>& palette);

// A PNG of 8-bit RGBA pixels.
std::string EncodePng(const Image& image);

// The index of the colour of `palette` nearest to c (the first of equals).
int NearestInPalette(const std::vector<Rgba>& palette, Rgba c);

}  // namespace artwork
