// The file primitives of POSIX systems (FilePrimitives.h). Links are
// followed and kept; an existing file that is no regular file is refused by
// its lstat alone, one the user may not write by faccessat; a replacement
// keeps the old file's owner, group and mode (fchown, fchmod), and its
// rename is made durable by flushing the folder; the lock is an flock on the
// folder.
#pragma once

#include "platform/FilePrimitives.h"

namespace tickerloom::platform {

const FilePrimitives& PosixFilePrimitives();

}  // namespace tickerloom::platform
