#include "platform/posix/PosixTemporaryFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>

#include "platform/FileSystem.h"
#include "platform/TemporaryName.h"

namespace tickerloom::platform {
namespace {

// The name of the file a temporary beside target stands for.
std::string StandsForTarget(const std::string& target) {
  return std::string(StandsFor(FileNameOf(target)));
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TemporaryFile CreateTemporaryBeside(const std::string& target, mode_t mode) {
  static std::atomic<unsigned> counter{0};
  const std::string prefix =
      FolderOf(target) + "/" +
      TemporaryNamePrefix(StandsForTarget(target), static_cast<std::uint32_t>(::getpid()));
  for (int attempt = 0;; ++attempt) {
    std::string path = prefix + std::to_string(counter++);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) return TemporaryFile{std::move(path), FileDescriptor(fd)};
    // A name left by an earlier process that had the same id is skipped.
    if (errno != EEXIST || attempt > 100) throw FileError("create a temporary file", path, errno);
  }
}

void RemoveOrphanedTemporaries(const std::vector<std::string>& targets) {
  if (targets.empty()) return;
  const std::string folder = FolderOf(targets.front());
  std::vector<std::string> file_names;
  file_names.reserve(targets.size());
  for (const std::string& target : targets) file_names.push_back(StandsForTarget(target));
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    const auto temporary = ParseTemporaryName(entry->d_name);
    if (!temporary || temporary->owner > INT_MAX ||
        std::find(file_names.begin(), file_names.end(), temporary->stands_for) ==
            file_names.end()) {
      continue;
    }
    const auto owner = static_cast<pid_t>(temporary->owner);
    if (owner == ::getpid()) continue;
    if (::kill(owner, 0) != 0 && errno == ESRCH) {
      ::unlink((folder + "/" + entry->d_name).c_str());
    }
  }
  ::closedir(listing);
}

}  // namespace tickerloom::platform
