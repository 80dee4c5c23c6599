// Encoders for the generator: BMP, CUR, ICO and PNG (with a small deflate of our own, so
// the output depends on nothing but this code).
#include "formats.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace artwork {

namespace {

class Bytes {
 public:
  void u8(unsigned v) { s_ += static_cast<char>(v & 0xFF); }
  void u16(unsigned v) {
    u8(v);
    u8(v >> 8);
  }
  void u32(uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  void u32be(uint32_t v) {
    u8(v >> 24);
    u8(v >> 16);
    u8(v >> 8);
    u8(v);
  }
  void raw(const std::string& s) { s_ += s; }
  const std::string& str() const { return s_; }
  size_t size() const { return s_.size(); }

 private:
  std::string s_;
};

constexpr uint32_t kPixelsPerMetre = 3780;  // 96 dots per inch

void InfoHeader(Bytes& out, int width, int height, int bits, uint32_t imageBytes, uint32_t colours) {
  out.u32(40);
  out.u32(static_cast<uint32_t>(width));
  out.u32(static_cast<uint32_t>(height));
  out.u16(1);
  out.u16(static_cast<unsigned>(bits));
  out.u32(0);  // BI_RGB
  out.u32(imageBytes);
  out.u32(kPixelsPerMetre);
  out.u32(kPixelsPerMetre);
  out.u32(colours);
  out.u32(0);
}

int RowBytes(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// The AND mask of an icon or cursor: 1 bits where the picture is transparent.
std::string AndMask(const Image& image) {
  const int row = RowBytes(image.width, 1);
  std::string mask(static_cast<size_t>(row) * image.height, '\0');
  for (int y = 0; y < image.height; ++y) {
    const size_t base = static_cast<size_t>(image.height - 1 - y) * row;
    for (int x = 0; x < image.width; ++x) {
      if (image.at(x, y).a < 128) mask[base + x / 8] = static_cast<char>(mask[base + x / 8] | (0x80 >> (x % 8)));
    }
  }
  return mask;
}

// ---- deflate (fixed Huffman codes, greedy LZ77 over a 32 KiB window)

class BitWriter {
 public:
  void bits(uint32_t value, int count) {  // least significant bit first
    for (int i = 0; i < count; ++i) put((value >> i) & 1u);
  }
  void code(uint32_t code, int length) {  // Huffman codes go most significant bit first
    for (int i = length - 1; i >= 0; --i) put((code >> i) & 1u);
  }
  std::string finish() {
    if (used_) out_ += static_cast<char>(acc_);
    acc_ = used_ = 0;
    return out_;
  }

 private:
  void put(uint32_t bit) {
    acc_ |= bit << used_;
    if (++used_ == 8) {
      out_ += static_cast<char>(acc_);
      acc_ = used_ = 0;
    }
  }
  std::string out_;
  uint32_t acc_ = 0;
  int used_ = 0;
};

void Literal(BitWriter& w, unsigned symbol) {
  if (symbol < 144) w.code(0x30 + symbol, 8);
  else if (symbol < 256) w.code(0x190 + symbol - 144, 9);
  else if (symbol < 280) w.code(symbol - 256, 7);
  else w.code(0xC0 + symbol - 280, 8);
}

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistBase = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                           33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                           1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Match(BitWriter& w, int length, int distance) {
  int i = 28;
  while (kLengthBase[i] > length) --i;
  Literal(w, 257 + static_cast<unsigned>(i));
  w.bits(static_cast<uint32_t>(length - kLengthBase[i]), kLengthExtra[i]);
  int d = 29;
  while (kDistBase[d] > distance) --d;
  w.code(static_cast<uint32_t>(d), 5);
  w.bits(static_cast<uint32_t>(distance - kDistBase[d]), kDistExtra[d]);
}

std::string Deflate(const std::string& data) {
  constexpr int kWindow = 32768, kMaxLength = 258, kMinLength = 3, kTries = 128;
  constexpr int kHashSize = 1 << 15;
  std::vector<int> head(kHashSize, -1), previous(data.size(), -1);
  auto byte = [&](size_t i) { return static_cast<unsigned char>(data[i]); };
  auto hash = [&](size_t i) {
    return ((byte(i) << 10) ^ (byte(i + 1) << 5) ^ byte(i + 2)) & (kHashSize - 1);
  };
  auto remember = [&](size_t i) {
    if (i + 2 >= data.size()) return;
    const unsigned h = hash(i);
    previous[i] = head[h];
    head[h] = static_cast<int>(i);
  };

  BitWriter w;
  w.bits(1, 1);  // final block
  w.bits(1, 2);  // fixed Huffman codes
  size_t i = 0;
  while (i < data.size()) {
    int bestLength = 0, bestDistance = 0;
    if (i + kMinLength <= data.size()) {
      int candidate = head[hash(i)];
      for (int tries = 0; candidate >= 0 && tries < kTries; ++tries) {
        const int distance = static_cast<int>(i) - candidate;
        if (distance > kWindow) break;
        int length = 0;
        const int limit = static_cast<int>(std::min<size_t>(kMaxLength, data.size() - i));
        while (length < limit && data[candidate + length] == data[i + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = distance;
          if (length == kMaxLength) break;
        }
        candidate = previous[candidate];
      }
    }
    if (bestLength >= kMinLength) {
      Match(w, bestLength, bestDistance);
      for (int k = 0; k < bestLength; ++k) remember(i + k);
      i += bestLength;
    } else {
      Literal(w, byte(i));
      remember(i);
      ++i;
    }
  }
  Literal(w, 256);  // end of block
  return w.finish();
}

uint32_t Adler32(const std::string& data) {
  uint32_t a = 1, b = 0;
  for (unsigned char c : data) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

uint32_t Crc32(const std::string& data) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char ch : data) c = table[(c ^ ch) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void Chunk(Bytes& out, const char* type, const std::string& data) {
  out.u32be(static_cast<uint32_t>(data.size()));
  const std::string typed = std::string(type, 4) + data;
  out.raw(typed);
  out.u32be(Crc32(typed));
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Each row gets the filter whose output has the smallest sum of magnitudes.
std::string FilteredRows(const Image& image) {
  const size_t stride = static_cast<size_t>(image.width) * 4;
  std::string previous(stride, '\0'), out;
  for (int y = 0; y < image.height; ++y) {
    std::string row(stride, '\0');
    for (int x = 0; x < image.width; ++x) {
      const Rgba& p = image.at(x, y);
      row[x * 4] = static_cast<char>(p.r);
      row[x * 4 + 1] = static_cast<char>(p.g);
      row[x * 4 + 2] = static_cast<char>(p.b);
      row[x * 4 + 3] = static_cast<char>(p.a);
    }
    std::string best;
    long bestCost = -1;
    for (int filter = 0; filter <= 4; ++filter) {
      std::string f(1, static_cast<char>(filter));
      long cost = 0;
      for (size_t i = 0; i < stride; ++i) {
        const int cur = static_cast<unsigned char>(row[i]);
        const int a = i >= 4 ? static_cast<unsigned char>(row[i - 4]) : 0;
        const int b = static_cast<unsigned char>(previous[i]);
        const int c = i >= 4 ? static_cast<unsigned char>(previous[i - 4]) : 0;
        int predicted = 0;
        switch (filter) {
          case 1: predicted = a; break;
          case 2: predicted = b; break;
          case 3: predicted = (a + b) / 2; break;
          case 4: predicted = Paeth(a, b, c); break;
          default: break;
        }
        const auto v = static_cast<unsigned char>((cur - predicted) & 0xFF);
        f += static_cast<char>(v);
        cost += v < 128 ? v : 256 - v;
      }
      if (bestCost < 0 || cost < bestCost) {
        bestCost = cost;
        best = std::move(f);
      }
    }
    out += best;
    previous = row;
  }
  return out;
}

std::string IconBitmap(const Image& image, IconFormat format, const std::vector<Rgba>& palette) {
  Bytes out;
  const int bits = format == IconFormat::Palette256 ? 8 : 32;
  const int row = RowBytes(image.width, bits);
  const std::string mask = AndMask(image);
  const auto pixelBytes = static_cast<uint32_t>(row * image.height);
  InfoHeader(out, image.width, image.height * 2, bits, pixelBytes + static_cast<uint32_t>(mask.size()),
             bits == 8 ? 256 : 0);
  if (bits == 8) {
    for (size_t i = 0; i < 256; ++i) {
      const Rgba c = i < palette.size() ? palette[i] : Rgba{};
      out.u8(c.b);
      out.u8(c.g);
      out.u8(c.r);
      out.u8(0);
    }
  }
  for (int y = image.height - 1; y >= 0; --y) {
    size_t written = 0;
    for (int x = 0; x < image.width; ++x) {
      const Rgba& p = image.at(x, y);
      if (bits == 8) {
        out.u8(p.a < 128 ? 0u : static_cast<unsigned>(NearestInPalette(palette, p)));
        written += 1;
      } else {
        out.u8(p.b);
        out.u8(p.g);
        out.u8(p.r);
        out.u8(p.a);
        written += 4;
      }
    }
    for (; written < static_cast<size_t>(row); ++written) out.u8(0);
  }
  out.raw(mask);
  return out.str();
}

}  // namespace

std::string EncodeBmp24(const Image& image) {
  const int row = RowBytes(image.width, 24);
  const auto pixelBytes = static_cast<uint32_t>(row * image.height);
  Bytes out;
  out.u8('B');
  out.u8('M');
  out.u32(14 + 40 + pixelBytes);
  out.u32(0);
  out.u32(14 + 40);
  InfoHeader(out, image.width, image.height, 24, pixelBytes, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgba& p = image.at(x, y);
      out.u8(p.b);
      out.u8(p.g);
      out.u8(p.r);
    }
    for (int pad = image.width * 3; pad < row; ++pad) out.u8(0);
  }
  return out.str();
}

std::string EncodeMonoCursor(const Image& image, int hotX, int hotY) {
  const int row = RowBytes(image.width, 1);
  std::string colour(static_cast<size_t>(row) * image.height, '\0');
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgba& p = image.at(x, y);
      if (p.a == 0) continue;
      const bool white = p == Opaque(255, 255, 255);
      if (!white && p != Opaque(0, 0, 0)) throw std::runtime_error("a two-colour cursor has only black and white");
      const size_t at = static_cast<size_t>(image.height - 1 - y) * row + x / 8;
      if (white) colour[at] = static_cast<char>(colour[at] | (0x80 >> (x % 8)));
    }
  }
  const std::string mask = AndMask(image);
  Bytes bitmap;
  InfoHeader(bitmap, image.width, image.height * 2, 1, static_cast<uint32_t>(colour.size() + mask.size()), 2);
  bitmap.u32(0x00000000);  // palette: black
  bitmap.u32(0x00FFFFFF);  //          white
  bitmap.raw(colour);
  bitmap.raw(mask);

  Bytes out;
  out.u16(0);
  out.u16(2);  // cursor
  out.u16(1);
  out.u8(static_cast<unsigned>(image.width));
  out.u8(static_cast<unsigned>(image.height));
  out.u8(2);
  out.u8(0);
  out.u16(static_cast<unsigned>(hotX));
  out.u16(static_cast<unsigned>(hotY));
  out.u32(static_cast<uint32_t>(bitmap.size()));
  out.u32(6 + 16);
  out.raw(bitmap.str());
  return out.str();
}

std::string EncodeIcon(const std::vector<IconEntry>& entries, const std::vector<Rgba>& palette) {
  if (palette.empty() || palette.size() > 256 || palette[0] != Opaque(0, 0, 0)) {
    throw std::invalid_argument("an icon palette has 1 to 256 colours, black first");
  }
  std::vector<std::string> bodies;
  for (const IconEntry& e : entries) {
    bodies.push_back(e.format == IconFormat::Png ? EncodePng(e.image) : IconBitmap(e.image, e.format, palette));
  }
  Bytes out;
  out.u16(0);
  out.u16(1);  // icon
  out.u16(static_cast<unsigned>(entries.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const Image& image = entries[i].image;
    const bool eightBit = entries[i].format == IconFormat::Palette256;
    out.u8(image.width >= 256 ? 0u : static_cast<unsigned>(image.width));
    out.u8(image.height >= 256 ? 0u : static_cast<unsigned>(image.height));
    out.u8(0);  // colour count: 0 for 256 colours and more
    out.u8(0);
    out.u16(1);
    out.u16(eightBit ? 8 : 32);
    out.u32(static_cast<uint32_t>(bodies[i].size()));
    out.u32(offset);
    offset += static_cast<uint32_t>(bodies[i].size());
  }
  for (const std::string& body : bodies) out.raw(body);
  return out.str();
}

std::string EncodePng(const Image& image) {
  Bytes out;
  out.raw(std::string("\x89PNG\r\n\x1A\n", 8));
  Bytes header;
  header.u32be(static_cast<uint32_t>(image.width));
  header.u32be(static_cast<uint32_t>(image.height));
  header.u8(8);  // bits per channel
  header.u8(6);  // RGBA
  header.u8(0);
  header.u8(0);
  header.u8(0);
  Chunk(out, "IHDR", header.str());
  const std::string raw = FilteredRows(image);
  Bytes z;
  z.u8(0x78);  // deflate, 32 KiB window
  z.u8(0x01);
  z.raw(Deflate(raw));
  z.u32be(Adler32(raw));
  Chunk(out, "IDAT", z.str());
  Chunk(out, "IEND", "");
  return out.str();
}

int NearestInPalette(const std::vector<Rgba>& p, Rgba c) {
  int best = 0;
  long bestDistance = -1;
  for (size_t i = 0; i < p.size(); ++i) {
    const long dr = c.r - p[i].r, dg = c.g - p[i].g, db = c.b - p[i].b;
    const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
    }
  }
  return best;
}

}  // namespace artwork
