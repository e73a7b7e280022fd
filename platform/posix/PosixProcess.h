// POSIX process services.
#pragma once

#include <string>

#include "platform/Process.h"

namespace tickerloom::platform {

class PosixProcess final : public StartedProcess {
 public:
  // The running name from argv0, the folder from the executable the kernel
  // started (/proc/self/exe). Throws std::runtime_error when the folder is
  // unknown.
  explicit PosixProcess(const char* argv0);
  // Starts the program in a new session of its own (it outlives this one and
  // gets no signals meant for this one's terminal), with no arguments and the
  // same environment; does not wait for it. Its watch knows no sign of
  // readiness: a program runs when it has not ended within the limit.
  std::unique_ptr<StartedProgram> StartProgram(const std::string& path) override;
  // Ends the process at once with _exit: no destructors, no atexit handlers,
  // no buffers flushed.
  [[noreturn]] void ExitNow() override;
};

}  // namespace tickerloom::platform
