#include "platform/posix/PosixFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <system_error>

#include "platform/posix/PosixFileDescriptor.h"

namespace tickerloom::platform {
namespace {

Status Errno() {
  return {.error = errno};
}

int Descriptor(NativeFile file) {
  return static_cast<int>(file);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// What an existing file is instead of a regular file, for the error text.
std::string_view NotARegularFile(mode_t mode) {
  if (S_ISFIFO(mode)) return "Not a regular file but a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "Not a regular file but a device";
  if (S_ISSOCK(mode)) return "Not a regular file but a socket";
  return "Not a regular file";
}

Status OpenWith(const std::string& path, int flags, unsigned mode, NativeFile& file) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) return Errno();
  file = fd;
  return {};
}

// Holds an exclusive flock on a folder until it is destroyed.
class FolderLock final : public FileLock {
 public:
  explicit FolderLock(int fd) : fd_(fd) {}

 private:
  FileDescriptor fd_;
};

// What FilePrimitives asks and the steps, for FilePrimitives::Of.
struct PosixCalls {
  static std::string ErrorText(int error) { return std::generic_category().message(error); }
  static bool NameTaken(int error) { return error == EEXIST; }
  static bool Denied(int error) { return error == EACCES || error == EPERM || error == EROFS; }
  static std::uint32_t ProcessId() { return static_cast<std::uint32_t>(::getpid()); }

  static std::size_t NameStart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
  }

  static std::string Beside(const std::string& path, std::string_view name) {
    return FolderOf(path).append("/").append(name);
  }

  static bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  }

  static Status Call(step::LookUp, const std::string& path, FoundFile& found) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT ? Status{} : Errno();
    found.exists = true;
    found.link = S_ISLNK(info.st_mode);
    found.owner = info.st_uid;
    found.group = info.st_gid;
    found.mode = info.st_mode;
    return {};
  }

  static Status Call(step::ReadLink, const std::string& link, std::string& target) {
    char text[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), text, sizeof text - 1);
    if (length < 0) return Errno();
    const std::string_view link_target(text, static_cast<std::size_t>(length));
    target = link_target.starts_with('/') ? std::string(link_target) : Beside(link, link_target);
    return {};
  }

  // By its lstat only, never opened: opening a pipe or a device could block.
  static Status Call(step::MayReplace, const std::string& path, const FoundFile& found) {
    if (S_ISDIR(found.mode)) return {.error = EISDIR};
    if (!S_ISREG(found.mode)) return {.reason = NotARegularFile(found.mode)};
    // The rename asks only the folder; the file's own permission must count too.
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return Errno();
    return {};
  }

  static Status Call(step::Create, const std::string& path, NativeFile& file) {
    return OpenWith(path, O_WRONLY | O_CREAT | O_TRUNC, 0666, file);
  }

  static Status Call(step::CreateNew, const std::string& path, unsigned mode, NativeFile& file) {
    return OpenWith(path, O_WRONLY | O_CREAT | O_EXCL, mode, file);
  }

  static Status Call(step::Open, const std::string& path, Reading /*reading*/, NativeFile& file) {
    return OpenWith(path, O_RDONLY, 0, file);
  }

  static Status Call(step::Size, NativeFile file, std::uint64_t& size) {
    struct stat info {};
    if (::fstat(Descriptor(file), &info) != 0) return Errno();
    if (S_ISDIR(info.st_mode)) return {.error = EISDIR};
    size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    return {};
  }

  static Status Call(step::Read, NativeFile file, std::span<char> buffer, std::size_t& got) {
    for (;;) {
      const ssize_t count = ::read(Descriptor(file), buffer.data(), buffer.size());
      if (count >= 0) {
        got = static_cast<std::size_t>(count);
        return {};
      }
      if (errno != EINTR) return Errno();
    }
  }

  // All bytes, going on after short writes and interruptions; one call for the
  // usual case of a regular file.
  static Status Call(step::Write, NativeFile file, std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t written = ::write(Descriptor(file), bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        return Errno();
      }
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
  }

  // Only root may give a file to another user; anyone else keeps at least the
  // group, when they belong to it.
  static Status Call(step::SetOwner, NativeFile file, const FoundFile& old) {
    if (::fchown(Descriptor(file), old.owner, old.group) == 0) return {};
    if (errno != EPERM) return Errno();
    if (::fchown(Descriptor(file), static_cast<uid_t>(-1), old.group) != 0 && errno != EPERM) {
      return {.error = errno, .operation = "set the group of"};
    }
    return {};
  }

  static Status Call(step::SetMode, NativeFile file, const FoundFile& old) {
    if (::fchmod(Descriptor(file), old.mode & 07777) != 0) return Errno();
    return {};
  }

  static Status Call(step::Flush, NativeFile file) {
    if (::fsync(Descriptor(file)) != 0) return Errno();
    return {};
  }

  static Status Call(step::Close, NativeFile file) {
    if (::close(Descriptor(file)) != 0) return Errno();
    return {};
  }

  static Status Call(step::Rename, const std::string& from, const std::string& to,
                     bool /*durable*/) {
    if (::rename(from.c_str(), to.c_str()) != 0) return Errno();
    return {};
  }

  static Status Call(step::FlushFolder, const std::string& path) {
    const FileDescriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0 || ::fsync(folder.Get()) != 0) return Errno();
    return {};
  }

  static Status Call(step::Remove, const std::string& path) {
    if (::unlink(path.c_str()) != 0) return Errno();
    return {};
  }

  static Status Call(step::ListFolder, const std::string& path, std::vector<std::string>& names) {
    DIR* listing = ::opendir(FolderOf(path).c_str());
    if (listing == nullptr) return Errno();
    while (const dirent* entry = ::readdir(listing)) names.emplace_back(entry->d_name);
    ::closedir(listing);
    return {};
  }

  static Status Call(step::ProcessEnded, std::uint32_t process, bool& ended) {
    // Beyond pid_t, kill() would take it for a process group.
    if (process > INT_MAX) return {.error = EINVAL};
    ended = ::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
    return {};
  }

  // The lock is the file's folder's: the folder stays the same while the file
  // is renamed over, and locking it leaves nothing behind.
  static Status Call(step::Lock, const std::string& path, std::unique_ptr<FileLock>& lock) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Errno();
    auto held = std::make_unique<FolderLock>(fd);
    while (::flock(fd, LOCK_EX) != 0) {
      if (errno != EINTR) return Errno();
    }
    lock = std::move(held);
    return {};
  }

  // The program's read, write and execute bits for owner, group and others
  // (never set-user-ID, set-group-ID or sticky); without the program, execute
  // permission wherever the file grants read permission.
  static Status Call(step::TakeProgramPermissions, const std::string& program,
                     const std::string& path) {
    struct stat info {};
    mode_t mode = 0;
    if (::stat(program.c_str(), &info) == 0) {
      mode = info.st_mode & 0777;
    } else {
      if (::stat(path.c_str(), &info) != 0) return Errno();
      mode = info.st_mode & 0777;
      if (mode & S_IRUSR) mode |= S_IXUSR;
      if (mode & S_IRGRP) mode |= S_IXGRP;
      if (mode & S_IROTH) mode |= S_IXOTH;
    }
    if (::chmod(path.c_str(), mode) != 0) return Errno();
    return {};
  }
};

}  // namespace

const FilePrimitives& PosixFilePrimitives() {
  static const FilePrimitives table = FilePrimitives::Of<PosixCalls>();
  return table;
}

}  // namespace tickerloom::platform
