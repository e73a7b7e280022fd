// The file layer (FileSystem.h) written once over a backend's primitives
// (FilePrimitives.h); platform/posix and platform/win32 give it theirs.
#pragma once

#include <memory>

#include "platform/FilePrimitives.h"
#include "platform/FileSystem.h"

namespace tickerloom::platform {

// A replacement (OpenForReplacing) follows the links a backend has to the
// file they name, and refuses an existing file the backend's may_replace
// step refuses, before anything is written. Its lines go to a temporary file
// beside the file (CreateTemporaryBeside), which gets the old file's owner
// and mode or attributes, is flushed to disk, closed and renamed over the
// file; then the temporaries that ended processes left beside it are
// removed, and the rename is made durable where the backend can. A rename
// of a file just written that a scanner holds for a moment is tried again
// for about two seconds (RenameJustWritten), here and in RenameFile.
class FileLayer : public FileSystem {
 public:
  explicit FileLayer(FilePrimitives os);

  bool FileExists(const std::string& path) override;
  std::unique_ptr<TextReader> OpenForReading(const std::string& path) override;
  std::unique_ptr<TextWriter> OpenForWriting(const std::string& path) override;
  std::unique_ptr<TextWriter> OpenForReplacing(const std::string& path) override;
  std::unique_ptr<FileLock> LockForUpdate(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  // A failure because another process holds the file at `to` (as the
  // backend tells) is FileError::InUse(), told at once.
  void RenameFile(const std::string& from, const std::string& to) override;
  void CheckFolderWritable(const std::string& path) override;

 private:
  // Shared with the writers, which may outlive the layer.
  std::shared_ptr<const FilePrimitives> os_;
};

}  // namespace tickerloom::platform
