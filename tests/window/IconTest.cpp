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

// Red, green and blue of the standard 16-colour palette: bit 0 is red, bit 1
// green, bit 2 blue, at half intensity below 8 and full from 8 on; but 7 is
// the light grey and 8 the dark one.
std::array<int, 3> Standard(unsigned colour) {
  if (colour == 7) return {192, 192, 192};
  if (colour == 8) return {128, 128, 128};
  const int level = colour < 8 ? 128 : 255;
  return {colour & 1 ? level : 0, colour & 2 ? level : 0, colour & 4 ? level : 0};
}

TEST(ProgramIconTest, TwoImagesOf32By32In16And256Colours) {
  const auto icon = ProgramIconFile();
  ASSERT_GE(icon.size(), 6U + 32U);
  const unsigned char* data = icon.data();
  EXPECT_EQ(Read16(data), 0U);
  EXPECT_EQ(Read16(data + 2), 1U);  // an icon, not a cursor
  ASSERT_EQ(Read16(data + 4), 2U);
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
      // As BGR0 quads.
      for (unsigned c = 0; c < 16; ++c) {
        EXPECT_EQ(palette[4 * c + 2], Standard(c)[0]) << c;
        EXPECT_EQ(palette[4 * c + 1], Standard(c)[1]) << c;
        EXPECT_EQ(palette[4 * c + 0], Standard(c)[2]) << c;
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
