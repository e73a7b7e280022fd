#include "platform/PosixProcess.h"

#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string_view>

extern char** environ;

namespace tickerloom::platform {

namespace {

namespace fs = std::filesystem;

// The file argv[0] names: a path with a slash as it stands, a bare name
// looked up in PATH as the shell did to start it.
fs::path ExecutablePath(std::string_view argv0) {
  if (argv0.find('/') != std::string_view::npos) return fs::path(argv0);
  if (const char* path = std::getenv("PATH")) {
    std::string_view folders(path);
    while (true) {
      const std::size_t colon = folders.find(':');
      const fs::path folder(folders.substr(0, colon));
      const fs::path candidate = (folder.empty() ? fs::path(".") : folder) / argv0;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
      if (colon == std::string_view::npos) break;
      folders.remove_prefix(colon + 1);
    }
  }
  // Started by a caller that gave no usable argv[0]: ask the kernel.
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path(argv0) : self;
}

}  // namespace

PosixProcess::PosixProcess(const char* argv0) {
  const std::string_view name = argv0 != nullptr ? argv0 : "";
  const fs::path executable = fs::absolute(ExecutablePath(name)).lexically_normal();
  folder_ = executable.parent_path().string();
  if (folder_.empty() || folder_.back() != '/') folder_ += '/';
  running_name_ = executable.stem().string() + ".exe";
}

void PosixProcess::StartProgram(const std::string& path) {
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Ignored signals stay ignored across exec; give the new program defaults.
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGXFSZ);
  sigaddset(&defaults, SIGPIPE);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  std::string program = path;
  char* arguments[] = {program.data(), nullptr};
  pid_t child = 0;
  const int error =
      ::posix_spawn(&child, program.c_str(), nullptr, &attributes, arguments, environ);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    throw std::runtime_error("Cannot start program \"" + path + "\": " + std::strerror(error));
  }
}

void PosixProcess::ExitNow() {
  ::_exit(0);
}

}  // namespace tickerloom::platform
