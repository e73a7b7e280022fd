// The file layer on Windows: the one file layer over the Windows primitives
// (Win32Files.h).
#pragma once

#include "platform/FileLayer.h"
#include "platform/win32/Win32Files.h"

namespace tickerloom::platform::win32 {

class Win32FileSystem final : public FileLayer {
 public:
  Win32FileSystem() : FileLayer(Win32FilePrimitives()) {}
};

}  // namespace tickerloom::platform::win32
