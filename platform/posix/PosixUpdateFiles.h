// POSIX implementation of the update's file operations.
#pragma once

#include "platform/UpdateFiles.h"

namespace tickerloom::platform {

class PosixUpdateFiles : public UpdateFiles {
 public:
  std::string CreateTemporaryFile(const std::string& folder, const std::string& prefix) override;
  // Adds execute permission wherever the file grants read permission.
  void MakeExecutable(const std::string& path) override;
  void ReadInChunks(const std::string& path,
                    const std::function<void(std::span<const std::byte>)>& sink) override;
};

}  // namespace tickerloom::platform
