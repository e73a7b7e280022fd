// Windows process services.
#pragma once

#include <string>

#include "platform/Process.h"

namespace tickerloom::platform::win32 {

// The full path of this program's executable file (GetModuleFileNameW), as
// it was when the program started. Throws std::runtime_error when the system
// cannot tell.
std::wstring ProgramPath();

class Win32Process final : public Process {
 public:
  // Takes the program's folder and running name from GetModuleFileNameW,
  // once, so that renaming the file later changes neither. Throws
  // std::runtime_error when the system cannot tell the program's file.
  Win32Process();
  // UTF-8, ending in a backslash.
  std::string ProgramFolder() override { return folder_; }
  std::string RunningName() override { return running_name_; }
  // CreateProcessW, in a normal window, with no arguments, in this program's
  // working folder; does not wait for it.
  void StartProgram(const std::string& path) override;
  // ExitProcess: no further handler runs.
  [[noreturn]] void ExitNow() override;

  // The file name of a program path without folder and extension, followed
  // by ".exe".
  static std::string RunningNameOf(const std::wstring& program_path);

 private:
  std::string folder_;
  std::string running_name_;
};

}  // namespace tickerloom::platform::win32
