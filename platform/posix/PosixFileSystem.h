// The file layer on POSIX systems: the one file layer over the POSIX
// primitives (PosixFiles.h).
#pragma once

#include "platform/FileLayer.h"
#include "platform/posix/PosixFiles.h"

namespace tickerloom::platform {

class PosixFileSystem : public FileLayer {
 public:
  PosixFileSystem() : FileLayer(PosixFilePrimitives()) {}
};

}  // namespace tickerloom::platform
