#include "platform/posix/PosixProcess.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
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

// A started child, reaped once it has ended; one that outlives the watch is
// left to run (and to init, once this program ends).
class PosixStartedProgram final : public StartedProgram {
 public:
  explicit PosixStartedProgram(pid_t child) : child_(child) {}

  // A look every 10 ms: the watch runs once an update, for a few seconds.
  std::optional<std::string> EndedWithin(std::chrono::milliseconds limit) override {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      int status = 0;
      const pid_t ended = ::waitpid(child_, &status, WNOHANG);
      if (ended == child_) return Ending(status);
      // Not ours to wait for (SIGCHLD ignored): only whether it still exists.
      if (ended < 0 && errno != EINTR && ::kill(child_, 0) != 0 && errno == ESRCH) {
        return "ended, with an exit status this program cannot see";
      }
      if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
      const timespec pause{0, 10'000'000};
      ::nanosleep(&pause, nullptr);
    }
  }

 private:
  static std::string Ending(int status) {
    if (WIFSIGNALED(status)) {
      const int signal = WTERMSIG(status);
      return "was ended by signal " + std::to_string(signal) + " (" + ::strsignal(signal) + ")";
    }
    return "ended with status " + std::to_string(WEXITSTATUS(status));
  }

  pid_t child_;
};

}  // namespace

PosixProcess::PosixProcess(const char* argv0)
    : StartedProcess(ExecutableFolder(), argv0 != nullptr ? argv0 : "") {}

std::unique_ptr<StartedProgram> PosixProcess::StartProgram(const std::string& path) {
  pid_t child = 0;
  posix_spawnattr_t attributes;
  int error = posix_spawnattr_init(&attributes);
  if (error == 0) {
    error = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    if (error == 0) {
      std::string argument = path;
      char* arguments[] = {argument.data(), nullptr};
      error = posix_spawn(&child, path.c_str(), nullptr, &attributes, arguments, environ);
    }
    posix_spawnattr_destroy(&attributes);
  }
  if (error != 0) {
    throw std::runtime_error("Cannot start " + path + ": " + std::strerror(error));
  }
  return std::make_unique<PosixStartedProgram>(child);
}

void PosixProcess::ExitNow() {
  ::_exit(0);
}

}  // namespace tickerloom::platform
