// The file layer held in memory, for fuzzing and for tests that need no disk.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace tickerloom::testing {

class MemoryFileSystem final : public platform::FileSystem {
 public:
  std::map<std::string, std::string> files;
  // In order: "lock <path>", "read <path>", "replace <path>" (at Close),
  // "unlock <path>".
  std::vector<std::string> events;

  bool FileExists(const std::string& path) override;
  std::unique_ptr<platform::TextReader> OpenForReading(const std::string& path) override;
  std::unique_ptr<platform::TextWriter> OpenForWriting(const std::string& path) override;
  std::unique_ptr<platform::TextWriter> OpenForReplacing(const std::string& path) override;
  std::unique_ptr<platform::FileLock> LockForUpdate(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void RenameFile(const std::string& from, const std::string& to) override;
  // Refused as the system refuses a protected folder when denied is set.
  void CheckFolderWritable(const std::string& path) override;
  bool denied = false;
};

}  // namespace tickerloom::testing
