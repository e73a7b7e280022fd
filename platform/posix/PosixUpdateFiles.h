// POSIX implementation of the update's file operations.
#pragma once

#include "platform/UpdateFiles.h"

namespace tickerloom::platform {

class PosixUpdateFiles : public UpdateFiles {
 public:
  // program is the running program's executable file whose permission bits
  // an update takes; /proc/self/exe names it on Linux.
  explicit PosixUpdateFiles(std::string program = "/proc/self/exe")
      : program_(std::move(program)) {}
  // ".<target's name>.tmp-<process id>-<count>", mode 0600.
  std::string CreateTemporaryFile(const std::string& target) override;
  void RemoveOrphanedTemporaries(const std::vector<std::string>& targets) override;
  // The program's read, write and execute bits for owner, group and others
  // (never set-user-ID, set-group-ID or sticky); without the program, adds
  // execute permission wherever the file grants read permission.
  void TakeProgramPermissions(const std::string& path) override;
  void ReadInChunks(const std::string& path,
                    const std::function<void(std::span<const std::byte>)>& sink) override;

 private:
  std::string program_;
};

}  // namespace tickerloom::platform
