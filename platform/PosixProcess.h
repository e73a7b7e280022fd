// Process services on POSIX systems.
#pragma once

#include <string>

#include "platform/Process.h"

namespace tickerloom::platform {

class PosixProcess final : public Process {
 public:
  // `argv0` is the program's argv[0] as it started; a relative path in it is
  // resolved against the working folder now, before anything can change it.
  explicit PosixProcess(const char* argv0);

  std::string ProgramFolder() override { return folder_; }
  std::string RunningName() override { return running_name_; }
  // Starts the program in a session of its own (so it outlives this one),
  // with the signal handling a freshly started program expects.
  void StartProgram(const std::string& path) override;
  [[noreturn]] void ExitNow() override;

 private:
  std::string folder_;
  std::string running_name_;
};

}  // namespace tickerloom::platform
