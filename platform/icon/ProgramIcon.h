// The program's own icon, made at build time by MakeIcon.
#pragma once

#include <cstdint>
#include <span>

namespace tickerloom::platform {

// The bytes of the icon file (.ico): two 32 x 32 images, one in the standard
// 16-colour palette and one in 256 colours.
std::span<const unsigned char> ProgramIconFile();

// The same two images as pixels, 0xAARRGGBB, row by row from the top; fully
// transparent where the icon's mask is set. Lets a toolkit show the icon
// without an image decoder.
struct IconImage {
  int width = 0;
  int height = 0;
  std::span<const std::uint32_t> argb;
};
std::span<const IconImage> ProgramIconImages();

}  // namespace tickerloom::platform
