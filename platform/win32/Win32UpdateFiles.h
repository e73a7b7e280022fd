// The update's file operations on Windows.
#pragma once

#include <string>

#include "platform/UpdateFileLayer.h"
#include "platform/win32/Win32Files.h"

namespace tickerloom::platform::win32 {

// program is the running program's executable file (UTF-8), whose hidden,
// system and not-indexed attributes an update takes.
class Win32UpdateFiles final : public UpdateFileLayer {
 public:
  explicit Win32UpdateFiles(std::string program)
      : UpdateFileLayer(Win32FilePrimitives(), std::move(program)) {}
};

}  // namespace tickerloom::platform::win32
