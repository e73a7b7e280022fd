// Temporary files beside a file, named ".<file name>.tmp-<process id>-<count>"
// so that a later start can tell which ones a killed process left behind.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/posix/PosixFileDescriptor.h"

namespace tickerloom::platform {

std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

struct TemporaryFile {
  std::string path;
  FileDescriptor fd;
};

// Creates a new temporary file beside target, open for writing, with mode
// (less the umask). A temporary beside a temporary is named for the file the
// first one stands for, so that one clean-up finds both. Throws FileError.
TemporaryFile CreateTemporaryBeside(const std::string& target, mode_t mode);

// Removes the temporary files beside the targets (all in one folder, looked
// through once) whose process no longer runs; never those of this process or
// of another one that still runs. Best effort: a file that cannot be removed
// stays for a later start.
void RemoveOrphanedTemporaries(const std::vector<std::string>& targets);

}  // namespace tickerloom::platform
