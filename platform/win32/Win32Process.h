// Windows process services.
#pragma once

#include <string>

#include "platform/Process.h"

namespace tickerloom::platform::win32 {

// The full path of this program's executable file (GetModuleFileNameW), as
// it was when the program started. Throws std::runtime_error when the system
// cannot tell.
std::wstring ProgramPath();

class Win32Process final : public StartedProcess {
 public:
  // The folder and the running name from GetModuleFileNameW; the folder
  // ends in a backslash. Throws std::runtime_error when the system cannot
  // tell the program's file.
  Win32Process();
  // CreateProcessW, in a normal window, with no arguments, in this program's
  // working folder; does not wait for it. Its watch takes the program's
  // first wait for input (WaitForInputIdle) as the sign that it runs.
  std::unique_ptr<StartedProgram> StartProgram(const std::string& path) override;
  // ExitProcess: no further handler runs.
  [[noreturn]] void ExitNow() override;
  bool FileNamesFoldCase() override { return true; }
  // GetWindowsDirectoryW and GetTempPathW; none that the system cannot tell.
  std::vector<std::string> FoldersMakeAvoids() override;

 private:
  explicit Win32Process(const std::filesystem::path& program);
};

}  // namespace tickerloom::platform::win32
