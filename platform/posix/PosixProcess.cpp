#include "platform/posix/PosixProcess.h"

#include <spawn.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

extern char** environ;

namespace tickerloom::platform {

namespace {

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    throw std::runtime_error("Cannot find the program's folder through /proc/self/exe: " +
                             error.message());
  }
  return executable.parent_path();
}

}  // namespace

PosixProcess::PosixProcess(const char* argv0)
    : StartedProcess(ExecutableFolder(), argv0 != nullptr ? argv0 : "") {}

void PosixProcess::StartProgram(const std::string& path) {
  posix_spawnattr_t attributes;
  int error = posix_spawnattr_init(&attributes);
  if (error == 0) {
    error = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    if (error == 0) {
      std::string argument = path;
      char* arguments[] = {argument.data(), nullptr};
      pid_t child = 0;
      error = posix_spawn(&child, path.c_str(), nullptr, &attributes, arguments, environ);
    }
    posix_spawnattr_destroy(&attributes);
  }
  if (error != 0) {
    throw std::runtime_error("Cannot start " + path + ": " + std::strerror(error));
  }
}

void PosixProcess::ExitNow() {
  ::_exit(0);
}

}  // namespace tickerloom::platform
