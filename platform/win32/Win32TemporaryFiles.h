// Temporary files beside a file on Windows, named as on every platform
// (platform/TemporaryName.h) with this process's id, and the removal of those
// that a killed process left behind.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace tickerloom::platform::win32 {

// An open file handle, closed when it goes out of scope.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  FileHandle(FileHandle&& other) noexcept : handle_(other.handle_) {
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle();
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  // Closes now and reports whether the close succeeded.
  bool Close();

 private:
  HANDLE handle_;
};

// Where the file name of a path begins (after its last '\' or '/').
std::size_t FolderEnd(std::string_view path);

struct TemporaryFile {
  std::string path;  // UTF-8
  FileHandle file;   // open for writing, shared with nobody
};

// Creates a new temporary file beside target, named for target (or for the
// file target stands for, when target is a temporary itself) and this
// process. Throws FileError.
TemporaryFile CreateTemporaryBeside(const std::string& target);

// Removes the temporary files beside the targets (all in one folder, looked
// through once) whose process no longer runs; never those of this process or
// of another one that still runs. Best effort: a file that cannot be removed
// stays for a later start.
void RemoveOrphanedTemporaries(const std::vector<std::string>& targets);

}  // namespace tickerloom::platform::win32
