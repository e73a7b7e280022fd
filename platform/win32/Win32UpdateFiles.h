// The update's file operations on Windows.
#pragma once

#include <string>

#include "platform/UpdateFiles.h"

namespace tickerloom::platform::win32 {

class Win32UpdateFiles final : public UpdateFiles {
 public:
  // program is the running program's executable file (UTF-8), whose
  // attributes an update takes.
  explicit Win32UpdateFiles(std::string program);
  // ".<target's name>.tmp-<process id>-<count>" beside target.
  std::string CreateTemporaryFile(const std::string& target) override;
  void RemoveOrphanedTemporaries(const std::vector<std::string>& targets) override;
  // Windows has no permission bits: who may run a file is told by its access
  // list, which a new file inherits from its folder as the program's own file
  // did when it was put there, and read access lets a program be run. What
  // is taken over are the program's hidden, system and not-indexed
  // attributes; never read-only, so that the next update can replace it.
  // Without the program file, the file is left as it is. Throws FileError.
  void TakeProgramPermissions(const std::string& path) override;
  void ReadInChunks(const std::string& path,
                    const std::function<void(std::span<const std::byte>)>& sink) override;

 private:
  std::string program_;
};

}  // namespace tickerloom::platform::win32
