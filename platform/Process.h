// Process services: where the program runs from, under which name, starting
// another program and ending this one.
#pragma once

#include <string>

namespace tickerloom::platform {

class Process {
 public:
  virtual ~Process() = default;
  // The running program's folder followed by the platform's separator.
  virtual std::string ProgramFolder() = 0;
  // The file name the program was started under, without folder and
  // extension, followed by ".exe"; renaming the file later does not change it.
  virtual std::string RunningName() = 0;
  // Starts the program at path as an independent process in a normal window;
  // does not wait for it. Throws std::runtime_error with the OS's error text.
  virtual void StartProgram(const std::string& path) = 0;
  // Ends the program at once: no further handler, no unload work.
  [[noreturn]] virtual void ExitNow() = 0;
};

}  // namespace tickerloom::platform
