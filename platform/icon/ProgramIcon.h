// The program's own icon, made at build time by MakeIcon.
#pragma once

#include <span>

namespace tickerloom::platform {

// The bytes of the icon file (.ico): two 32 x 32 images, one in the standard
// 16-colour palette and one in 256 colours.
std::span<const unsigned char> ProgramIconFile();

}  // namespace tickerloom::platform
