// POSIX process services.
#pragma once

#include <string>

#include "platform/Process.h"

namespace tickerloom::platform {

class PosixProcess : public Process {
 public:
  // Captures the running name from argv0 and the program folder from the
  // executable the kernel started, both once, so that renaming the file later
  // changes neither. Throws std::runtime_error when the folder is unknown.
  explicit PosixProcess(const char* argv0);
  std::string ProgramFolder() override { return folder_; }
  std::string RunningName() override { return running_name_; }
  // Starts the program in a new session of its own (it outlives this one and
  // gets no signals meant for this one's terminal), with no arguments and the
  // same environment; does not wait for it.
  void StartProgram(const std::string& path) override;
  // Ends the process at once with _exit: no destructors, no atexit handlers,
  // no buffers flushed.
  [[noreturn]] void ExitNow() override;

  // The file name of argv0 without folder and extension, followed by ".exe".
  static std::string RunningNameOf(const std::string& argv0);

 private:
  std::string folder_;
  std::string running_name_;
};

}  // namespace tickerloom::platform
