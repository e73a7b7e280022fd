// The update's file operations (UpdateFiles.h) written once over a backend's
// primitives (FilePrimitives.h).
#pragma once

#include <memory>
#include <string>

#include "platform/FilePrimitives.h"
#include "platform/UpdateFiles.h"

namespace tickerloom::platform {

class UpdateFileLayer : public UpdateFiles {
 public:
  // program is the running program's executable file, whose permissions
  // (the backend's take_program_permissions step) an update takes.
  UpdateFileLayer(FilePrimitives os, std::string program);

  // ".<target's name>.tmp-<process id>-<count>" beside target, mode 0600
  // where files have permission bits.
  std::string CreateTemporaryFile(const std::string& target) override;
  void RemoveOrphanedTemporaries(const std::vector<std::string>& targets) override;
  void TakeProgramPermissions(const std::string& path) override;
  void ReadInChunks(const std::string& path,
                    const std::function<void(std::span<const std::byte>)>& sink) override;

 private:
  std::shared_ptr<const FilePrimitives> os_;
  std::string program_;
};

}  // namespace tickerloom::platform
