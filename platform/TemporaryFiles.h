// Temporary files beside a file, named as platform/TemporaryName.h says with
// this process's id, and the removal of those that a killed process left
// behind: written once over a backend's primitives.
#pragma once

#include <string>
#include <vector>

#include "platform/FilePrimitives.h"

namespace tickerloom::platform {

struct TemporaryFile {
  std::string path;
  OpenFile file;  // open for writing, shared with no other process
};

// Creates a new temporary file beside target with the POSIX permission bits
// `mode` (less the umask, where the system has them). A temporary beside a
// temporary is named for the file the first one stands for, so that one
// clean-up finds both. Throws FileError.
TemporaryFile CreateTemporaryBeside(const FilePrimitives& os, const std::string& target,
                                    unsigned mode);

// Removes the temporary files beside the targets (all in one folder, looked
// through once) whose process no longer runs; never those of this process or
// of another one that still runs, or may run. Best effort: a file that cannot
// be removed stays for a later start.
void RemoveOrphanedTemporaries(const FilePrimitives& os, const std::vector<std::string>& targets);

}  // namespace tickerloom::platform
