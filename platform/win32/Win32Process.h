// Windows process services.
#pragma once

#include <string>
#include <vector>

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
  // When the program's token is not elevated already.
  bool CanStartElevated() override;
  // ShellExecuteExW with "runas". The folder goes as lpDirectory and as
  // the argument --folder too, as Windows may start an elevated program in
  // System32 whatever it was asked; the started program changes into it
  // before anything else (Win32Process()). A refused prompt is false.
  bool StartElevated(const std::string& folder, const std::vector<std::string>& inputs) override;
  std::vector<std::string> HandedInputs() override { return handed_; }
  // %LOCALAPPDATA%\VirtualStore\<the full path without its drive>, for a
  // path on a drive letter, when that file exists.
  std::optional<std::string> VirtualStoreCopyOf(const std::string& path) override;

 private:
  explicit Win32Process(const std::filesystem::path& program);
  std::vector<std::string> handed_;
};

// The arguments of an elevated start (--folder <folder> [--inputs <each>]),
// quoted as CommandLineToArgvW reads them; and what a program takes from its
// arguments as parsed: the folder (empty: none) and the inputs.
std::wstring ElevatedArguments(const std::string& folder, const std::vector<std::string>& inputs);
struct HandedOver {
  std::wstring folder;
  std::vector<std::string> inputs;
};
HandedOver ReadHandedOver(int argc, const wchar_t* const* argv);

}  // namespace tickerloom::platform::win32
