#include "platform/posix/PosixTemporaryFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <optional>
#include <string_view>

#include "platform/FileSystem.h"

namespace tickerloom::platform {
namespace {

constexpr std::string_view kMarker = ".tmp-";

struct TemporaryName {
  std::string_view file_name;  // of the file it stands for
  pid_t owner;
};

std::optional<unsigned long long> Digits(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  unsigned long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value;
}

// ".<file name>.tmp-<owner>-<count>", or nothing for any other name.
std::optional<TemporaryName> ParseTemporaryName(std::string_view name) {
  const std::size_t marker = name.rfind(kMarker);
  if (!name.starts_with('.') || marker == std::string_view::npos || marker < 2) return std::nullopt;
  const std::string_view numbers = name.substr(marker + kMarker.size());
  const std::size_t dash = numbers.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto owner = Digits(numbers.substr(0, dash));
  if (!owner || *owner == 0 || *owner > INT_MAX || !Digits(numbers.substr(dash + 1))) {
    return std::nullopt;
  }
  return TemporaryName{name.substr(1, marker - 1), static_cast<pid_t>(*owner)};
}

// The name of the file a temporary beside target stands for.
std::string StandsFor(const std::string& target) {
  const std::string name = FileNameOf(target);
  const auto temporary = ParseTemporaryName(name);
  return temporary ? std::string(temporary->file_name) : name;
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
  const std::string prefix = FolderOf(target) + "/." + StandsFor(target) + std::string(kMarker) +
                             std::to_string(::getpid()) + "-";
  for (int attempt = 0;; ++attempt) {
    std::string path = prefix + std::to_string(counter++);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) return TemporaryFile{std::move(path), FileDescriptor(fd)};
    // A name left by an earlier process that had the same id is skipped.
    if (errno != EEXIST || attempt > 100) throw FileError("create a temporary file", path, errno);
  }
}

void RemoveOrphanedTemporaries(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string file_name = StandsFor(target);
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    const auto temporary = ParseTemporaryName(entry->d_name);
    if (!temporary || temporary->file_name != file_name || temporary->owner == ::getpid()) continue;
    if (::kill(temporary->owner, 0) != 0 && errno == ESRCH) {
      ::unlink((folder + "/" + entry->d_name).c_str());
    }
  }
  ::closedir(listing);
}

}  // namespace tickerloom::platform
