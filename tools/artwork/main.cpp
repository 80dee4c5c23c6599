// make_artwork <folder>: draws every picture the program ships and writes the files into
// <folder> (the committed copies live in assets/; a test checks they are what this makes).
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "formats.h"
#include "pictures.h"

using namespace artwork;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_artwork <folder>\n");
    return 2;
  }
  std::vector<std::pair<std::string, std::string>> files;
  try {
    files = {
      {"skin_normal.bmp", EncodeBmp24(SkinPicture(Skin::Normal))},
      {"skin_highlight.bmp", EncodeBmp24(SkinPicture(Skin::HighLight))},
      {"skin_highlightselect.bmp", EncodeBmp24(SkinPicture(Skin::HighLightSelect))},
      {"skin_selected.bmp", EncodeBmp24(SkinPicture(Skin::Selected))},
      {"skin_pressed.bmp", EncodeBmp24(SkinPicture(Skin::Pressed))},
      {"skin_disable.bmp", EncodeBmp24(SkinPicture(Skin::Disable))},
      {"preview.bmp", EncodeBmp24(PreviewPicture())},
      {"texture.bmp", EncodeBmp24(TexturePicture())},
      {"radio_off.bmp", EncodeBmp24(RadioPicture(false))},
      {"radio_on.bmp", EncodeBmp24(RadioPicture(true))},
      {"hand.cur", EncodeMonoCursor(HandPicture(), kHandHotX, kHandHotY)},
      // The window's icon is the 32 x 32 256-colour entry; true-colour entries serve
      // today's screens, 16 to 48 for lists and title bars, 256 (PNG) for Explorer.
      {"veskar.ico", EncodeIcon({{IconPicture(16), IconFormat::Palette256},
                                 {IconPicture(32), IconFormat::Palette256},
                                 {IconPicture(48), IconFormat::Palette256},
                                 {IconPicture(16), IconFormat::TrueColour},
                                 {IconPicture(32), IconFormat::TrueColour},
                                 {IconPicture(48), IconFormat::TrueColour},
                                 {IconPicture(256), IconFormat::Png}},
                                IconPalette())},
    };
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_artwork: %s\n", e.what());
    return 1;
  }
  const std::string folder = argv[1];
  for (const auto& [name, bytes] : files) {
    std::ofstream out(folder + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "make_artwork: cannot write %s/%s\n", folder.c_str(), name.c_str());
      return 1;
    }
  }
  return 0;
}
