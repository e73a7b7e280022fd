// File operations the self-update needs beyond the text file layer.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace tickerloom::platform {

class UpdateFiles {
 public:
  virtual ~UpdateFiles() = default;
  // Creates a new, empty file with a unique name that starts with prefix in
  // folder (folder ends with the separator) and returns its path. Throws
  // FileError.
  virtual std::string CreateTemporaryFile(const std::string& folder, const std::string& prefix) = 0;
  // Lets the file be run as a program. Throws FileError.
  virtual void MakeExecutable(const std::string& path) = 0;
  // Hands the file's bytes to sink in order, a chunk at a time, so that the
  // file is never held whole in memory. Throws FileError.
  virtual void ReadInChunks(const std::string& path,
                            const std::function<void(std::span<const std::byte>)>& sink) = 0;
};

}  // namespace tickerloom::platform
