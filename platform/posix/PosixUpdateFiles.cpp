#include "platform/posix/PosixUpdateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/posix/PosixFileDescriptor.h"
#include "platform/posix/PosixTemporaryFiles.h"

namespace tickerloom::platform {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;

}  // namespace

std::string PosixUpdateFiles::CreateTemporaryFile(const std::string& target) {
  TemporaryFile temporary = CreateTemporaryBeside(target, 0600);
  if (!temporary.fd.Close()) throw FileError("create a temporary file", temporary.path, errno);
  return temporary.path;
}

void PosixUpdateFiles::RemoveOrphanedTemporaries(const std::vector<std::string>& targets) {
  platform::RemoveOrphanedTemporaries(targets);
}

void PosixUpdateFiles::TakeProgramPermissions(const std::string& path) {
  struct stat info {};
  mode_t mode = 0;
  if (::stat(program_.c_str(), &info) == 0) {
    mode = info.st_mode & 0777;
  } else {
    if (::stat(path.c_str(), &info) != 0) throw FileError("set the permissions of", path, errno);
    mode = info.st_mode & 0777;
    if (mode & S_IRUSR) mode |= S_IXUSR;
    if (mode & S_IRGRP) mode |= S_IXGRP;
    if (mode & S_IROTH) mode |= S_IXOTH;
  }
  if (::chmod(path.c_str(), mode) != 0) throw FileError("set the permissions of", path, errno);
}

void PosixUpdateFiles::ReadInChunks(const std::string& path,
                                    const std::function<void(std::span<const std::byte>)>& sink) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) throw FileError("open", path, errno);
  std::vector<std::byte> buffer(kChunkBytes);
  for (;;) {
    const ssize_t count = ::read(file.Get(), buffer.data(), buffer.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      throw FileError("read", path, errno);
    }
    if (count == 0) return;
    sink(std::span<const std::byte>(buffer.data(), static_cast<std::size_t>(count)));
  }
}

}  // namespace tickerloom::platform
