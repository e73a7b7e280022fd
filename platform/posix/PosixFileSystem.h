// The file layer on POSIX systems.
#pragma once

#include <functional>
#include <string_view>

#include "platform/FileSystem.h"

namespace tickerloom::platform {

class PosixFileSystem : public FileSystem {
 public:
  // Called with the step's name ("create", "write", "flush to disk", "replace",
  // ...) before each system call that writes, replaces or locks a file, so
  // that a test can stop the process at an exact step.
  using StepHook = std::function<void(std::string_view step)>;

  PosixFileSystem() = default;
  explicit PosixFileSystem(StepHook before_each_step)
      : before_each_step_(std::move(before_each_step)) {}

  bool FileExists(const std::string& path) override;
  std::unique_ptr<TextReader> OpenForReading(const std::string& path) override;
  std::unique_ptr<TextWriter> OpenForWriting(const std::string& path) override;
  std::unique_ptr<TextWriter> OpenForReplacing(const std::string& path) override;
  std::unique_ptr<FileLock> LockForUpdate(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void RenameFile(const std::string& from, const std::string& to) override;

 private:
  StepHook before_each_step_;
};

}  // namespace tickerloom::platform
