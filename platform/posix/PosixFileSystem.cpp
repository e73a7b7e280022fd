#include "platform/posix/PosixFileSystem.h"

#include "platform/BytesTextReader.h"
#include "platform/posix/PosixFileDescriptor.h"
#include "platform/posix/PosixTemporaryFiles.h"

#include <fcntl.h>
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

// Collects the lines and stores them with one write at Close().
class PosixTextWriter final : public TextWriter {
 public:
  PosixTextWriter(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

  void WriteLine(std::string_view bytes) override {
    buffer_.append(bytes);
    buffer_.append("\r\n");
  }

  void Close() override {
    if (!WriteAll(fd_.Get(), buffer_)) throw FileError("write", path_, errno);
    if (!fd_.Close()) throw FileError("close", path_, errno);
  }

 private:
  std::string path_;
  FileDescriptor fd_;
  std::string buffer_;
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

// Writes a whole new version of a file into a temporary file beside it, and
// renames it over the file once it is safely on disk.
class ReplacingWriter final : public TextWriter {
 public:
  explicit ReplacingWriter(const std::string& path) : target_(ResolveLinks(path)) {
    struct stat info {};
    if (::stat(target_.c_str(), &info) == 0) old_mode_ = info.st_mode & 07777;
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

  void WriteLine(std::string_view bytes) override {
    buffer_.append(bytes);
    buffer_.append("\r\n");
  }

  void Close() override {
    const int fd = fd_->Get();
    if (!WriteAll(fd, buffer_)) throw FileError("write", temporary_, errno);
    if (old_mode_ && ::fchmod(fd, *old_mode_) != 0) {
      throw FileError("set the permissions of", temporary_, errno);
    }
    if (::fsync(fd) != 0) throw FileError("flush to disk", temporary_, errno);
    if (!fd_->Close()) throw FileError("close", temporary_, errno);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
      throw FileError("replace", target_, errno);
    }
    committed_ = true;
    RemoveOrphanedTemporaries(target_);
    // Make the rename itself durable; the new contents are in place already,
    // so a failure here is not worth losing the result for.
    const int folder = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
      ::fsync(folder);
      ::close(folder);
    }
  }

 private:
  std::string target_;
  std::string temporary_;
  std::optional<mode_t> old_mode_;
  std::optional<FileDescriptor> fd_;
  std::string buffer_;
  bool committed_ = false;
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
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError("create", path, errno);
  return std::make_unique<PosixTextWriter>(path, fd);
}

std::unique_ptr<TextWriter> PosixFileSystem::OpenForReplacing(const std::string& path) {
  return std::make_unique<ReplacingWriter>(path);
}

void PosixFileSystem::RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) throw FileError("delete", path, errno);
}

void PosixFileSystem::RenameFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) throw FileError("rename", from, errno);
}

}  // namespace tickerloom::platform
