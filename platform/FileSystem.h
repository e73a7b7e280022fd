// The file layer: every file the program reads or writes goes through this
// small table of operations, so the core never calls the OS itself.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tickerloom::platform {

// A failed file operation. what() holds the operation, the path and the OS's
// own error text, ready to be shown to the user.
class FileError : public std::runtime_error {
 public:
  // Whether trying the same operation again later may succeed.
  enum class Cause {
    kOther,
    // Another process holds the file (on Windows, a program that still runs
    // holds its executable file).
    kInUse,
    // The system refuses this user the folder: Windows protects it (Program
    // Files), or its permissions or a read-only volume keep the user out.
    kDenied,
  };

  // An errno value; the text is the C library's for it.
  FileError(std::string_view operation, std::string_view path, int error_number);
  // An error number of the OS with the OS's own text for it (on Windows the
  // GetLastError() code and FormatMessageW's text).
  FileError(std::string_view operation, std::string_view path, int error_number,
            std::string_view system_text, Cause cause = Cause::kOther);
  // For a refusal the OS has no error number for; ErrorNumber() is then 0.
  FileError(std::string_view operation, std::string_view path, std::string_view reason);
  int ErrorNumber() const { return error_number_; }
  bool InUse() const { return cause_ == Cause::kInUse; }
  bool Denied() const { return cause_ == Cause::kDenied; }

 private:
  int error_number_;
  Cause cause_ = Cause::kOther;
};

// A file opened for reading. Contents are 8-bit bytes, passed through unchanged.
class TextReader {
 public:
  virtual ~TextReader() = default;
  // Every remaining byte, line ends included.
  virtual std::string ReadAll() = 0;
  // The next line without its line end; CR LF or a lone LF ends a line, and a
  // last line without a line end is a line. Throws FileError past the end.
  virtual std::string ReadLine() = 0;
  virtual bool AtEnd() const = 0;
  virtual void Close() = 0;
};

// A file opened for writing. Lines are collected and reach the disk in one
// write when Close() is called; Close() reports any failure to store them.
class TextWriter {
 public:
  virtual ~TextWriter() = default;
  // Appends the bytes and then CR LF.
  virtual void WriteLine(std::string_view bytes) = 0;
  virtual void Close() = 0;
};

// An exclusive advisory lock held for as long as the object lives.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True when a regular file (or a link to one) exists at the path; false for
  // a folder, a missing file or a name the file system refuses.
  virtual bool FileExists(const std::string& path) = 0;
  virtual std::unique_ptr<TextReader> OpenForReading(const std::string& path) = 0;
  // Creates the file, or empties an existing one.
  virtual std::unique_ptr<TextWriter> OpenForWriting(const std::string& path) = 0;
  // Writes a whole new version of an existing or new file safely: the lines go
  // to a temporary file in the same folder, and Close() flushes it to disk and
  // renames it over the file (over the file a symbolic link points to, keeping
  // its permission bits, and its owner and group where the OS allows). An
  // existing file that the user may not write, or that is not a regular file
  // (a folder, a pipe, a device), is refused at once, without opening it. Until
  // Close() succeeds the old file is untouched; a failure or a writer dropped
  // without Close() leaves no temporary file.
  virtual std::unique_ptr<TextWriter> OpenForReplacing(const std::string& path) = 0;
  // Locks the file at path for a read, merge and replace by this process:
  // blocks until every other process's lock for the same file (also reached
  // through a link) is released, and holds until the returned object is
  // destroyed. Advisory: it holds off only others that lock too. It never
  // leaves a file behind in the folder, and the file need not exist. Not
  // nested: a second lock for the same file waits for the first one.
  virtual std::unique_ptr<FileLock> LockForUpdate(const std::string& path) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  // Renames within one folder; works on the running program's own executable.
  virtual void RenameFile(const std::string& from, const std::string& to) = 0;
  // Makes sure a new file can be made in the folder of path, by making one
  // and removing it again, before anything else is written there. A refusal
  // of the system is FileError::Denied().
  virtual void CheckFolderWritable(const std::string& path) = 0;
};

}  // namespace tickerloom::platform
