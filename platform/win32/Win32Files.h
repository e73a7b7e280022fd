// The file primitives of Windows (FilePrimitives.h). Paths are UTF-8 like
// everywhere in the program and reach the W functions as UTF-16, so a script
// name of Windows-1252 characters names exactly the file the game opens.
//
// A read-only file, or one another program holds open (asked by a probe
// open for writing), is refused before anything is written; a replacement
// keeps the old file's hidden, system, archive and not-indexed attributes
// and is moved over it with MOVEFILE_WRITE_THROUGH. The lock is a named mutex
// of the file's canonical path (its folder as the file system resolves it,
// so every way to the folder meets the same lock): no lock file in the
// folder. A mutex belongs to its thread: a second lock taken by the thread
// that holds the first does not wait. A rename over a file that another
// process holds open (the executable of a program that still runs) fails as
// FileError::InUse(). A rename of a file just written that fails with a
// sharing, lock or access error is tried again for about two seconds: Defender,
// the search indexer and OneDrive open new files for a moment.
#pragma once

#include "platform/FilePrimitives.h"

namespace tickerloom::platform::win32 {

const FilePrimitives& Win32FilePrimitives();

}  // namespace tickerloom::platform::win32
