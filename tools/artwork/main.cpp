// make_artwork <folder>: draws every picture the program ships and writes the files into
// <folder> (the committed copies live in assets/; a test checks they are what this makes).
#include <cstdio>
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
  const std::vector<std::pair<std::string, std::string>> files = {
      {"skin_normal.bmp", EncodeBmp24(SkinPicture(Skin::Normal))},
      {"skin_highlight.bmp", EncodeBmp24(SkinPicture(Skin::HighLight))},
      {"skin_highlightselect.bmp", EncodeBmp24(SkinPicture(Skin::HighLightSelect))},
      {"skin_selected.bmp", EncodeBmp24(SkinPicture(Skin::Selected))},
      {"skin_pressed.bmp", EncodeBmp24(SkinPicture(Skin::Pressed))},
      {"skin_disable.bmp", EncodeBmp24(SkinPicture(Skin::Disable))},
  };
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
