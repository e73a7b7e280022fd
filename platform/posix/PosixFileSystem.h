// The file layer on POSIX systems.
#pragma once

#include "platform/FileSystem.h"

namespace tickerloom::platform {

class PosixFileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  std::unique_ptr<TextReader> OpenForReading(const std::string& path) override;
  std::unique_ptr<TextWriter> OpenForWriting(const std::string& path) override;
  std::unique_ptr<TextWriter> OpenForReplacing(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void RenameFile(const std::string& from, const std::string& to) override;
};

}  // namespace tickerloom::platform
