// The program icon file: its header, both images and their palettes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "platform/icon/ProgramIcon.h"

namespace tickerloom::platform {
namespace {

std::uint32_t Read32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
unsigned Read16(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}

TEST(ProgramIconTest, TwoImagesOf32By32In16And256Colours) {
  const auto icon = ProgramIconFile();
  ASSERT_GE(icon.size(), 6U + 32U);
  const unsigned char* data = icon.data();
  EXPECT_EQ(Read16(data), 0U);
  EXPECT_EQ(Read16(data + 2), 1U);  // an icon, not a cursor
  ASSERT_EQ(Read16(data + 4), 2U);
  // The standard 16-colour palette, as BGR0 quads.
  const std::array<std::array<int, 3>, 16> standard = {{
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
  const unsigned bits[] = {4, 8};
  for (int i = 0; i < 2; ++i) {
    const unsigned char* entry = data + 6 + 16 * i;
    EXPECT_EQ(entry[0], 32);
    EXPECT_EQ(entry[1], 32);
    EXPECT_EQ(entry[2], bits[i] == 4 ? 16 : 0);
    EXPECT_EQ(Read16(entry + 6), bits[i]);
    const std::uint32_t size = Read32(entry + 8), offset = Read32(entry + 12);
    ASSERT_LE(offset + size, icon.size());
    const unsigned char* header = data + offset;
    EXPECT_EQ(Read32(header), 40U);
    EXPECT_EQ(Read32(header + 4), 32U);
    EXPECT_EQ(Read32(header + 8), 64U);  // colour bitmap and mask
    EXPECT_EQ(Read16(header + 14), bits[i]);
    const unsigned colours = 1U << bits[i];
    const std::size_t pixel_bytes = 32 * 32 * bits[i] / 8, mask_bytes = 32 * 4;
    EXPECT_EQ(size, 40 + colours * 4 + pixel_bytes + mask_bytes);
    const unsigned char* palette = header + 40;
    if (bits[i] == 4) {
      for (unsigned c = 0; c < 16; ++c) {
        EXPECT_EQ(palette[4 * c + 2], standard[c][0]) << c;
        EXPECT_EQ(palette[4 * c + 1], standard[c][1]) << c;
        EXPECT_EQ(palette[4 * c + 0], standard[c][2]) << c;
      }
    }
    // Real artwork: several colours, some pixels opaque and some not.
    const unsigned char* pixels = palette + colours * 4;
    std::array<bool, 256> used{};
    for (std::size_t b = 0; b < pixel_bytes; ++b) {
      if (bits[i] == 8) {
        used[pixels[b]] = true;
      } else {
        used[pixels[b] >> 4] = used[pixels[b] & 15] = true;
      }
    }
    int distinct = 0;
    for (bool u : used) distinct += u;
    EXPECT_GE(distinct, bits[i] == 4 ? 5 : 8);
    int transparent = 0;
    for (std::size_t b = 0; b < mask_bytes; ++b)
      transparent += __builtin_popcount(pixels[pixel_bytes + b]);
    EXPECT_GT(transparent, 0);
    EXPECT_LT(transparent, 32 * 32 / 2);
  }
}

}  // namespace
}  // namespace tickerloom::platform
