// File operations the self-update needs beyond the text file layer.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tickerloom::platform {

class UpdateFiles {
 public:
  virtual ~UpdateFiles() = default;
  // Creates a new, empty file beside target (in its folder) whose name says
  // which file it stands for and which process owns it, and returns its path.
  // Throws FileError.
  virtual std::string CreateTemporaryFile(const std::string& target) = 0;
  // Removes the temporary files beside the targets, which lie in one folder
  // (from CreateTemporaryFile and from Download::Fetch to a target), whose
  // owner no longer runs, as a killed process leaves them; never those of a
  // process that still runs. The folder is looked through once, however many
  // script files it holds. Best effort: a file that cannot be removed stays
  // for a later start.
  virtual void RemoveOrphanedTemporaries(const std::vector<std::string>& targets) = 0;
  // Gives the file the permission bits of the running program's executable
  // file, so that an update is as runnable as the program it replaces; where
  // there is no such file to copy from, lets the file be run wherever it can
  // be read. Throws FileError.
  virtual void TakeProgramPermissions(const std::string& path) = 0;
  // Hands the file's bytes to sink in order, a chunk at a time, so that the
  // file is never held whole in memory. Throws FileError.
  virtual void ReadInChunks(const std::string& path,
                            const std::function<void(std::span<const std::byte>)>& sink) = 0;
};

}  // namespace tickerloom::platform
