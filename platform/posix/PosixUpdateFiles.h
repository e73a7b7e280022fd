// The update's file operations on POSIX systems.
#pragma once

#include <string>

#include "platform/UpdateFileLayer.h"
#include "platform/posix/PosixFiles.h"

namespace tickerloom::platform {

// program is the running program's executable file whose permission bits an
// update takes; /proc/self/exe names it on Linux.
class PosixUpdateFiles : public UpdateFileLayer {
 public:
  explicit PosixUpdateFiles(std::string program = "/proc/self/exe")
      : UpdateFileLayer(PosixFilePrimitives(), std::move(program)) {}
};

}  // namespace tickerloom::platform
