// Runs a piece of code in a forked child, for what must not reach the test
// process itself (signals, another user).
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tickerloom::testing {

struct ChildResult {
  int exit_code = -1;   // -1 when the child did not exit normally
  std::string message;  // what the child reported through its pipe
};

// body returns the exit code and may fill `message`.
inline ChildResult RunInChild(const std::function<int(std::string& message)>& body) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(pipe_fds[0]);
    std::string message;
    int code = 99;
    try {
      code = body(message);
    } catch (const std::exception& error) {
      message = std::string("uncaught: ") + error.what();
    }
    ssize_t ignored = ::write(pipe_fds[1], message.data(), message.size());
    (void)ignored;
    ::_exit(code);
  }
  ::close(pipe_fds[1]);
  ChildResult result;
  char buffer[4096];
  ssize_t got;
  while ((got = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0) {
    result.message.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  return result;
}

// The user a test runs as when it must not be root (root may write any file):
// "nobody" on Debian.
inline constexpr uid_t kOrdinaryUser = 65534;
inline constexpr gid_t kOrdinaryGroup = 65534;
// The exit code of a child that could not become the ordinary user.
inline constexpr int kNoOrdinaryUser = 77;

// Runs body in a child as an ordinary user: a root process's child becomes
// kOrdinaryUser with kOrdinaryGroup and the given supplementary groups; any
// other process's child stays the user it is.
inline ChildResult RunAsOrdinaryUser(const std::vector<gid_t>& groups,
                                     const std::function<int(std::string& message)>& body) {
  return RunInChild([&](std::string& message) {
    if (::geteuid() == 0 && (::setgroups(groups.size(), groups.data()) != 0 ||
                             ::setgid(kOrdinaryGroup) != 0 || ::setuid(kOrdinaryUser) != 0)) {
      message = std::string("cannot become an ordinary user: ") + std::strerror(errno);
      return kNoOrdinaryUser;
    }
    return body(message);
  });
}

}  // namespace tickerloom::testing
