// Process services: where the program runs from, under which name, starting
// another program and ending this one; and the code page it runs in.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tickerloom::platform {

// A program that StartProgram has started, for as long as its starter
// watches it.
class StartedProgram {
 public:
  virtual ~StartedProgram() = default;
  // Waits until the program has ended, or has shown that it is ready for the
  // player where the system can tell (Windows: waiting for input), or until
  // `limit` has passed. When it has ended: how, in words with its exit status
  // ("ended with status 127"); otherwise nothing.
  virtual std::optional<std::string> EndedWithin(std::chrono::milliseconds limit) = 0;
};

class Process {
 public:
  virtual ~Process() = default;
  // The running program's folder followed by the platform's separator.
  virtual std::string ProgramFolder() = 0;
  // The file name the program was started under, without folder and
  // extension, followed by ".exe"; renaming the file later does not change it.
  virtual std::string RunningName() = 0;
  // Starts the program at path as an independent process in a normal window;
  // does not wait for it, but the result can. Throws std::runtime_error with
  // the OS's error text when the system cannot start it.
  virtual std::unique_ptr<StartedProgram> StartProgram(const std::string& path) = 0;
  // Ends the program at once: no further handler, no unload work.
  [[noreturn]] virtual void ExitNow() = 0;
  // Whether the system's file names ignore case (Windows: QUORVANE.EXE is
  // Quorvane.exe), for names such as RunningName's.
  virtual bool FileNamesFoldCase() { return false; }
  // Whether two file names name the same file, by FileNamesFoldCase.
  bool SameFileName(std::string_view a, std::string_view b);
  // The folder the program works in, where Make writes (UTF-8).
  virtual std::string WorkingFolder();
  // Folders where the game never reads what Make would write there: on
  // Windows its own folder (where some starts land) and the temporary folder
  // (where Explorer runs a program from inside a zip, and deletes it after).
  virtual std::vector<std::string> FoldersMakeAvoids() { return {}; }

  // Whether StartElevated can ask the system to run this program as
  // administrator (Windows' consent prompt); not when it runs so already.
  virtual bool CanStartElevated() { return false; }
  // Starts this program again as administrator, working in `folder` and
  // taking over `inputs` (HandedInputs); false when the user said no to the
  // system's prompt. Throws std::runtime_error with the system's text.
  virtual bool StartElevated(const std::string& folder, const std::vector<std::string>& inputs);
  // What the copy of the program that started this one handed over with
  // StartElevated; none otherwise.
  virtual std::vector<std::string> HandedInputs() { return {}; }
  // The copy of the file at path that Windows keeps in the user's
  // VirtualStore for programs it virtualizes (the game of 2000 among them),
  // which such a program reads instead of the file, when there is one.
  virtual std::optional<std::string> VirtualStoreCopyOf(const std::string& /*path*/) {
    return std::nullopt;
  }
};

// At most this many bytes of inputs go along to an elevated start: a
// Windows command line holds 32767 characters.
inline constexpr std::size_t kMostHandedBytes = 30000;

// Whether folder is `within` or inside it, by the path's parts; '/' and '\'
// part alike, and case is folded as the system folds it.
bool FolderWithin(std::string_view folder, std::string_view within, bool fold_case);

// The system's ANSI code page: the one in which a Windows program that is not
// Unicode-aware, such as the game, opens its files, and which tells which
// letters the player writes in. A Windows code page number: 1252, 1251, 932,
// 65001 (UTF-8), ...
class SystemCodePage {
 public:
  virtual ~SystemCodePage() = default;
  virtual int AnsiCodePage() = 0;
};

// What every backend's process services keep: the folder and the running
// name, taken once as the program starts, so that renaming its file later
// changes neither.
class StartedProcess : public Process {
 public:
  std::string ProgramFolder() final { return folder_; }
  std::string RunningName() final { return running_name_; }

  // The file name of the path the program was started as, without folder
  // and extension, followed by ".exe"; UTF-8.
  static std::string RunningNameOf(const std::filesystem::path& started_as);

 protected:
  // The folder of the program's executable file, which gets the platform's
  // separator at its end, and the path the program was started as.
  StartedProcess(const std::filesystem::path& folder, const std::filesystem::path& started_as);

 private:
  std::string folder_;
  std::string running_name_;
};

}  // namespace tickerloom::platform
