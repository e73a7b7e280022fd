// The file layer on Windows. Paths are UTF-8 like everywhere in the program
// and reach the W functions as UTF-16, so a script name of Windows-1252
// characters names exactly the file the game opens.
#pragma once

#include <functional>
#include <string_view>

#include "platform/FileSystem.h"

namespace tickerloom::platform::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  // Told each step that changes files (its operation's name) just before it
  // runs, so that the crash tests can end the process at every step.
  using StepHook = std::function<void(std::string_view step)>;

  Win32FileSystem() = default;
  explicit Win32FileSystem(StepHook before_each_step)
      : before_each_step_(std::move(before_each_step)) {}

  bool FileExists(const std::string& path) override;
  std::unique_ptr<TextReader> OpenForReading(const std::string& path) override;
  std::unique_ptr<TextWriter> OpenForWriting(const std::string& path) override;
  // The temporary file is named ".<name>.tmp-<process id>-<n>" beside the
  // file; the old file's attributes (hidden, system, archive, not indexed)
  // carry over. A read-only file, or one another program holds open, is
  // refused before anything is written.
  std::unique_ptr<TextWriter> OpenForReplacing(const std::string& path) override;
  // A named mutex of the file's canonical path (its folder as the file system
  // resolves it, so every way to the folder meets the same lock): no lock
  // file in the folder. A mutex belongs to its thread: a second lock taken by
  // the thread that holds the first does not wait.
  std::unique_ptr<FileLock> LockForUpdate(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  // Replaces an existing file at `to`, as rename(2) does. A file at `to` that
  // another process holds open (the executable of a program that still runs)
  // fails with FileError::InUse().
  void RenameFile(const std::string& from, const std::string& to) override;

 private:
  StepHook before_each_step_;
};

}  // namespace tickerloom::platform::win32
