// Draws the program's icon, a scroll whose lines of text run past a red
// arrow, and writes it as:
//   an .ico file with a 16-colour and a 256-colour 32 x 32 image,
//   PNG files of the 256-colour image at 32, 64 and 128 pixels (freedesktop icons),
//   a C++ source holding the .ico bytes for the program itself.
// Usage: MakeIcon <icon.ico> <png folder> <icon-data.cpp>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <zlib.h>

namespace {

constexpr int kSize = 32;

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The standard 16-colour palette, in its usual order.
constexpr std::array<Rgb, 16> kStandard16 = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

// 256 colours: the 16 standard ones, a 6 x 6 x 6 colour cube and 24 greys.
std::vector<Rgb> Palette256() {
  std::vector<Rgb> palette(kStandard16.begin(), kStandard16.end());
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) palette.push_back({r * 51, g * 51, b * 51});
  for (int i = 0; i < 24; ++i) {
    const int level = 8 + i * 10;
    palette.push_back({level, level, level});
  }
  return palette;
}

// The artwork. With `shaded` false it uses only the standard 16 colours;
// with `shaded` true the same shapes get gradients. Empty means transparent.
std::optional<Rgb> Artwork(int x, int y, bool shaded) {
  const Rgb black = kStandard16[0], navy = kStandard16[4];
  const Rgb olive = kStandard16[3], red = kStandard16[9], white = kStandard16[15];
  const Rgb yellow = kStandard16[11];

  // The two rolled ends of the scroll.
  for (int left : {2, 26}) {
    if (x >= left && x < left + 4 && y >= 4 && y <= 27) {
      if (x == left || x == left + 3 || y == 4 || y == 27) return black;
      if (!shaded) return x == left + 1 ? yellow : olive;
      // A rounded roll: lit on its left half.
      return x == left + 1 ? Rgb{255, 204, 102} : Rgb{204, 153, 51};
    }
  }
  // The sheet between them.
  if (x >= 6 && x <= 25 && y >= 6 && y <= 25) {
    if (y == 6 || y == 25) return black;
    // Three lines of text, shifted like a text running to the left.
    const std::array<std::pair<int, int>, 3> lines = {{{8, 0}, {12, 3}, {16, 6}}};
    for (const auto& [row, shift] : lines) {
      if (y == row || y == row + 1) {
        const int pos = (x - 7 + shift) % 6;
        if (x >= 7 && x <= 24 && pos < 4) return navy;
      }
    }
    // The red arrow below them, pointing the way the text runs.
    const Rgb arrow = shaded ? Rgb{220, 20, 20} : red;
    const int dy = std::abs(y - 21);
    if (x >= 9 && x <= 19 && dy <= 1) return arrow;
    if (x >= 19 && x <= 23 && dy <= std::min(3, 23 - x)) return arrow;
    if (!shaded) return white;
    // Parchment, a little darker along its lower edge.
    return y >= 23 ? Rgb{255, 255, 153} : Rgb{255, 255, 204};
  }
  // A shadow under the sheet.
  if (y == 26 && x >= 7 && x <= 26) return shaded ? Rgb{96, 96, 96} : kStandard16[8];
  return std::nullopt;
}

int Nearest(const std::vector<Rgb>& palette, Rgb c) {
  int best = 0;
  long best_distance = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const long dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
    const long distance = dr * dr + dg * dg + db * db;
    if (best_distance < 0 || distance < best_distance) {
      best_distance = distance;
      best = static_cast<int>(i);
    }
  }
  return best;
}

struct IndexedImage {
  std::vector<Rgb> palette;
  std::array<std::array<int, kSize>, kSize> index{};  // [y][x]
  std::array<std::array<bool, kSize>, kSize> transparent{};
};

IndexedImage Draw(bool shaded) {
  IndexedImage image;
  image.palette = shaded ? Palette256() : std::vector<Rgb>(kStandard16.begin(), kStandard16.end());
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const auto colour = Artwork(x, y, shaded);
      image.transparent[y][x] = !colour.has_value();
      image.index[y][x] = colour ? Nearest(image.palette, *colour) : 0;
    }
  }
  return image;
}

void Put16(std::vector<unsigned char>& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value & 0xFF));
  out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}
void Put32(std::vector<unsigned char>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// One icon image: BITMAPINFOHEADER, palette, colour bitmap, transparency mask.
std::vector<unsigned char> IconImage(const IndexedImage& image, int bits) {
  const int colours = 1 << bits;
  const int xor_row = kSize * bits / 8;  // 16 or 32 bytes, already a multiple of 4
  const int and_row = 4;
  std::vector<unsigned char> out;
  Put32(out, 40);
  Put32(out, kSize);
  Put32(out, kSize * 2);  // colour bitmap and mask together
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bits));
  Put32(out, 0);  // no compression
  Put32(out, static_cast<std::uint32_t>((xor_row + and_row) * kSize));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(colours));
  Put32(out, 0);
  for (int i = 0; i < colours; ++i) {
    const Rgb c = i < static_cast<int>(image.palette.size()) ? image.palette[i] : Rgb{};
    out.push_back(static_cast<unsigned char>(c.b));
    out.push_back(static_cast<unsigned char>(c.g));
    out.push_back(static_cast<unsigned char>(c.r));
    out.push_back(0);
  }
  for (int y = kSize - 1; y >= 0; --y) {  // bottom-up
    for (int x = 0; x < kSize; x += 8 / bits) {
      if (bits == 8) {
        out.push_back(static_cast<unsigned char>(image.index[y][x]));
      } else {
        out.push_back(static_cast<unsigned char>((image.index[y][x] << 4) | image.index[y][x + 1]));
      }
    }
  }
  for (int y = kSize - 1; y >= 0; --y) {
    for (int byte = 0; byte < and_row; ++byte) {
      unsigned char bits_of_mask = 0;
      for (int bit = 0; bit < 8; ++bit) {
        if (image.transparent[y][byte * 8 + bit])
          bits_of_mask |= static_cast<unsigned char>(0x80 >> bit);
      }
      out.push_back(bits_of_mask);
    }
  }
  return out;
}

std::vector<unsigned char> IconFile() {
  const std::vector<unsigned char> image16 = IconImage(Draw(false), 4);
  const std::vector<unsigned char> image256 = IconImage(Draw(true), 8);
  std::vector<unsigned char> out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, 2);  // two images
  std::uint32_t offset = 6 + 2 * 16;
  for (const auto* image : {&image16, &image256}) {
    const bool is16 = image == &image16;
    out.push_back(kSize);
    out.push_back(kSize);
    out.push_back(is16 ? 16 : 0);  // colour count; 0 stands for 256
    out.push_back(0);
    Put16(out, 1);
    Put16(out, is16 ? 4 : 8);
    Put32(out, static_cast<std::uint32_t>(image->size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(image->size());
  }
  out.insert(out.end(), image16.begin(), image16.end());
  out.insert(out.end(), image256.begin(), image256.end());
  return out;
}

// A PNG of the 256-colour image, each pixel drawn as a scale x scale block,
// for the freedesktop icon theme.
std::string Png(int scale) {
  const IndexedImage image = Draw(true);
  const int size = kSize * scale;
  std::vector<unsigned char> raw;
  raw.reserve(static_cast<std::size_t>(size) * (size * 4 + 1));
  for (int y = 0; y < size; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < size; ++x) {
      const int source_y = y / scale, source_x = x / scale;
      const Rgb c = image.palette[image.index[source_y][source_x]];
      const bool clear = image.transparent[source_y][source_x];
      raw.push_back(static_cast<unsigned char>(c.r));
      raw.push_back(static_cast<unsigned char>(c.g));
      raw.push_back(static_cast<unsigned char>(c.b));
      raw.push_back(clear ? 0 : 255);
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<unsigned char> packed(packed_size);
  compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 9);
  packed.resize(packed_size);

  std::string out = "\x89PNG\r\n\x1a\n";
  const auto chunk = [&out](const char* type, const std::vector<unsigned char>& data) {
    const auto put32 = [&out](std::uint32_t value) {
      for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
    };
    put32(static_cast<std::uint32_t>(data.size()));
    std::string body(type);
    body.append(data.begin(), data.end());
    out += body;
    put32(static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
  };
  std::vector<unsigned char> header;
  for (int shift = 24; shift >= 0; shift -= 8)
    header.push_back(static_cast<unsigned char>(size >> shift));
  for (int shift = 24; shift >= 0; shift -= 8)
    header.push_back(static_cast<unsigned char>(size >> shift));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
  chunk("IHDR", header);
  chunk("IDAT", packed);
  chunk("IEND", {});
  return out;
}

std::string Pixels(const IndexedImage& image) {
  std::string out;
  for (int y = 0; y < kSize; ++y) {
    out += "\n    ";
    for (int x = 0; x < kSize; ++x) {
      const Rgb c = image.palette[image.index[y][x]];
      const unsigned argb = image.transparent[y][x]
                                ? 0U
                                : 0xFF000000U | (static_cast<unsigned>(c.r) << 16) |
                                      (static_cast<unsigned>(c.g) << 8) |
                                      static_cast<unsigned>(c.b);
      char text[16];
      std::snprintf(text, sizeof text, "0x%08X,", argb);
      out += text;
    }
  }
  return out;
}

std::string DataSource(const std::vector<unsigned char>& bytes) {
  std::string out =
      "// Made by MakeIcon; the program's icon file and its two images.\n"
      "#include \"platform/icon/ProgramIcon.h\"\n\n"
      "namespace tickerloom::platform {\nnamespace {\nconst unsigned char kIcon[] = {";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += (i % 16 == 0) ? "\n    " : " ";
    out += std::to_string(bytes[i]) + ",";
  }
  out += "\n};\nconst std::uint32_t kPixels16[] = {" + Pixels(Draw(false)) + "\n};\n";
  out += "const std::uint32_t kPixels256[] = {" + Pixels(Draw(true)) + "\n};\n";
  out +=
      "const IconImage kImages[] = {{32, 32, kPixels16}, {32, 32, kPixels256}};\n"
      "}  // namespace\n\n"
      "std::span<const unsigned char> ProgramIconFile() { return kIcon; }\n"
      "std::span<const IconImage> ProgramIconImages() { return kImages; }\n\n"
      "}  // namespace tickerloom::platform\n";
  return out;
}

bool Write(const char* path, const std::string& contents) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << contents;
  file.close();
  if (!file) {
    std::cerr << "MakeIcon: cannot write " << path << "\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: MakeIcon <icon.ico> <png folder> <icon-data.cpp>\n";
    return 2;
  }
  const std::vector<unsigned char> icon = IconFile();
  const std::string png_folder = argv[2];
  bool ok =
      Write(argv[1], std::string(icon.begin(), icon.end())) && Write(argv[3], DataSource(icon));
  for (const int scale : {1, 2, 4}) {
    const std::string name = png_folder + "/tickerloom-" + std::to_string(kSize * scale) + ".png";
    ok = ok && Write(name.c_str(), Png(scale));
  }
  return ok ? 0 : 1;
}
