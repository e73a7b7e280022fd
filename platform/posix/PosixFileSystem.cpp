#include "platform/posix/PosixFileSystem.h"

#include "platform/BufferedTextWriter.h"
#include "platform/BytesTextReader.h"
#include "platform/posix/PosixFileDescriptor.h"
#include "platform/posix/PosixTemporaryFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>

namespace tickerloom::platform {
namespace {

// Writes all bytes, going on after short writes and interruptions; one call
// for the usual case of a regular file.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

using StepHook = PosixFileSystem::StepHook;

void Step(const StepHook& before_each_step, std::string_view step) {
  if (before_each_step) before_each_step(step);
}

// Collects the lines and stores them with one write at Close().
class PosixTextWriter final : public BufferedTextWriter {
 public:
  PosixTextWriter(std::string path, int fd, StepHook before_each_step)
      : path_(std::move(path)), fd_(fd), before_each_step_(std::move(before_each_step)) {}

  void Close() override {
    Step(before_each_step_, "write");
    if (!WriteAll(fd_.Get(), Lines())) throw FileError("write", path_, errno);
    Step(before_each_step_, "close");
    if (!fd_.Close()) throw FileError("close", path_, errno);
  }

 private:
  std::string path_;
  FileDescriptor fd_;
  StepHook before_each_step_;
};

// Follows symbolic links from path to the file they finally name (which need
// not exist yet), so that replacing it keeps the links.
std::string ResolveLinks(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0) {
      if (errno == ENOENT) return current;
      throw FileError("look up", current, errno);
    }
    if (!S_ISLNK(info.st_mode)) return current;
    char target[PATH_MAX];
    const ssize_t length = ::readlink(current.c_str(), target, sizeof target - 1);
    if (length < 0) throw FileError("read the link", current, errno);
    const std::string link_target(target, static_cast<std::size_t>(length));
    if (link_target.starts_with('/')) {
      current = link_target;
    } else {
      current = FolderOf(current).append("/").append(link_target);
    }
  }
  throw FileError("resolve the links of", path, ELOOP);
}

// What an existing file is instead of a regular file, for the error text.
std::string_view NotARegularFile(mode_t mode) {
  if (S_ISFIFO(mode)) return "Not a regular file but a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "Not a regular file but a device";
  if (S_ISSOCK(mode)) return "Not a regular file but a socket";
  return "Not a regular file";
}

// Writes a whole new version of a file into a temporary file beside it, and
// renames it over the file once it is safely on disk.
class ReplacingWriter final : public BufferedTextWriter {
 public:
  ReplacingWriter(const std::string& path, StepHook before_each_step)
      : target_(ResolveLinks(path)), before_each_step_(std::move(before_each_step)) {
    // Only looked at, never opened: opening a pipe or a device could block.
    struct stat info {};
    if (::lstat(target_.c_str(), &info) == 0) {
      if (S_ISDIR(info.st_mode)) throw FileError("replace", target_, EISDIR);
      if (!S_ISREG(info.st_mode)) {
        throw FileError("replace", target_, NotARegularFile(info.st_mode));
      }
      // The rename asks only the folder; the file's own permission must count too.
      if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
        throw FileError("replace", target_, errno);
      }
      old_file_ = info;
    } else if (errno != ENOENT) {
      throw FileError("look up", target_, errno);
    }

    Step(before_each_step_, "create a temporary file");
    TemporaryFile temporary = CreateTemporaryBeside(target_, 0666);
    temporary_ = std::move(temporary.path);
    fd_.emplace(std::move(temporary.fd));
  }

  ~ReplacingWriter() override {
    if (!committed_) {
      fd_.reset();
      ::unlink(temporary_.c_str());
    }
  }

  void Close() override {
    const int fd = fd_->Get();
    Step(before_each_step_, "write");
    if (!WriteAll(fd, Lines())) throw FileError("write", temporary_, errno);
    if (old_file_) {
      KeepOwnerAndGroup(fd);
      // After the change of owner, which clears the set-user and set-group bits.
      Step(before_each_step_, "set the permissions of");
      if (::fchmod(fd, old_file_->st_mode & 07777) != 0) {
        throw FileError("set the permissions of", temporary_, errno);
      }
    }
    Step(before_each_step_, "flush to disk");
    if (::fsync(fd) != 0) throw FileError("flush to disk", temporary_, errno);
    Step(before_each_step_, "close");
    if (!fd_->Close()) throw FileError("close", temporary_, errno);
    Step(before_each_step_, "replace");
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
      throw FileError("replace", target_, errno);
    }
    committed_ = true;
    Step(before_each_step_, "remove orphaned temporary files");
    RemoveOrphanedTemporaries({target_});
    // Make the rename itself durable; the new contents are in place already,
    // so a failure here is not worth losing the result for.
    Step(before_each_step_, "flush the folder");
    const int folder = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
      ::fsync(folder);
      ::close(folder);
    }
  }

 private:
  // Only root may give a file to another user; anyone else keeps at least
  // the group, when they belong to it.
  void KeepOwnerAndGroup(int fd) {
    Step(before_each_step_, "set the owner of");
    if (::fchown(fd, old_file_->st_uid, old_file_->st_gid) == 0) return;
    if (errno != EPERM) throw FileError("set the owner of", temporary_, errno);
    Step(before_each_step_, "set the group of");
    if (::fchown(fd, static_cast<uid_t>(-1), old_file_->st_gid) != 0 && errno != EPERM) {
      throw FileError("set the group of", temporary_, errno);
    }
  }

  std::string target_;
  StepHook before_each_step_;
  std::string temporary_;
  std::optional<struct stat> old_file_;
  std::optional<FileDescriptor> fd_;
  bool committed_ = false;
};

// Holds an exclusive flock on a folder until it is destroyed.
class FolderLock final : public FileLock {
 public:
  explicit FolderLock(int fd) : fd_(fd) {}
  int Get() const { return fd_.Get(); }

 private:
  FileDescriptor fd_;
};

}  // namespace

bool PosixFileSystem::FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::unique_ptr<TextReader> PosixFileSystem::OpenForReading(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) throw FileError("open", path, errno);
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) throw FileError("read", path, errno);
  if (S_ISDIR(info.st_mode)) throw FileError("read", path, EISDIR);
  std::string contents;
  if (info.st_size > 0) contents.reserve(static_cast<std::size_t>(info.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileError("read", path, errno);
    }
    if (got == 0) break;
    contents.append(chunk, static_cast<std::size_t>(got));
  }
  if (!fd.Close()) throw FileError("close", path, errno);
  return std::make_unique<BytesTextReader>(path, std::move(contents));
}

std::unique_ptr<TextWriter> PosixFileSystem::OpenForWriting(const std::string& path) {
  Step(before_each_step_, "create");
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError("create", path, errno);
  return std::make_unique<PosixTextWriter>(path, fd, before_each_step_);
}

std::unique_ptr<TextWriter> PosixFileSystem::OpenForReplacing(const std::string& path) {
  return std::make_unique<ReplacingWriter>(path, before_each_step_);
}

std::unique_ptr<FileLock> PosixFileSystem::LockForUpdate(const std::string& path) {
  // The folder of the file a link leads to: it stays the same while the file
  // is renamed over, and locking it leaves nothing behind.
  const std::string folder = FolderOf(ResolveLinks(path));
  Step(before_each_step_, "lock");
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw FileError("lock the folder of", path, errno);
  auto lock = std::make_unique<FolderLock>(fd);
  while (::flock(lock->Get(), LOCK_EX) != 0) {
    if (errno != EINTR) throw FileError("lock the folder of", path, errno);
  }
  return lock;
}

void PosixFileSystem::RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) throw FileError("delete", path, errno);
}

void PosixFileSystem::RenameFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) throw FileError("rename", from, errno);
}

}  // namespace tickerloom::platform
