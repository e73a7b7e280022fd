#include "update/HandOver.h"

#include <optional>
#include <stdexcept>
#include <utility>

namespace tickerloom::update {

HandOver::HandOver(std::string exe_name, platform::FileSystem& files, platform::MessageBoxes& boxes,
                   platform::Process& process, UpdateTimers timers, ShowWindow show_window,
                   HandOverState& state)
    : exe_name_(std::move(exe_name)),
      files_(files),
      boxes_(boxes),
      process_(process),
      timers_(std::move(timers)),
      show_window_(std::move(show_window)),
      state_(state) {}

void HandOver::Timer1Tick(const std::string& app_folder) {
  const std::string new_executable = app_folder + "New" + exe_name_;
  if (!process_.SameFileName(process_.RunningName(), exe_name_) || state_.start_failed ||
      !files_.FileExists(new_executable)) {
    return;
  }
  Tell("Download Of Update Completed");
  StartNewAndEnd(new_executable);
}

void HandOver::Timer2Tick(const std::string& app_folder) {
  const std::string plain_executable = app_folder + exe_name_;
  const std::string new_executable = app_folder + "New" + exe_name_;
  const std::string running_name = process_.RunningName();
  if (process_.SameFileName(running_name, exe_name_) && !state_.start_failed &&
      files_.FileExists(new_executable)) {
    StartNewAndEnd(new_executable);
  } else if (process_.SameFileName(running_name, "New" + exe_name_) &&
             files_.FileExists(new_executable)) {
    if (!TakePlace(new_executable, plain_executable)) return;
  }
  timers_.switch_timer2_off();
}

bool HandOver::TakePlace(const std::string& new_executable, const std::string& plain_executable) {
  // One rename replaces the plain executable: there is no moment without it.
  try {
    files_.RenameFile(new_executable, plain_executable);
  } catch (const platform::FileError& error) {
    // Another copy of the new program was quicker.
    if (!files_.FileExists(new_executable)) return true;
    // The old program may still be ending and holding its file.
    if (error.InUse() && state_.in_use_ticks++ < kInUseRetryTicks) return false;
    const std::string why = error.InUse() ? ", as " + exe_name_ + " is still in use" : "";
    Tell("The new version could not take the old one's place" + why + ":\r\n" + error.what() +
         "\r\nThe next start of " + exe_name_ + " tries again.");
  }
  return true;
}

void HandOver::Tell(const std::string& prompt) {
  boxes_.Show(platform::Message{.prompt = prompt,
                                .title = "Update",
                                .buttons = platform::MessageButtons::kOk,
                                .icon = platform::MessageIcon::kInformation});
}

void HandOver::StartNewAndEnd(const std::string& new_executable) {
  std::string why;
  show_window_(false);
  try {
    const std::optional<std::string> ended =
        process_.StartProgram(new_executable)->EndedWithin(kStartWatch);
    if (!ended) process_.ExitNow();
    why = new_executable + " " + *ended + ".";
  } catch (const std::runtime_error& error) {
    why = error.what();
  }
  show_window_(true);
  state_.start_failed = true;
  // Gone: another copy of the program has handed over already.
  if (!files_.FileExists(new_executable)) return;
  std::string removed = "It was removed and can be downloaded again.";
  try {
    files_.RemoveFile(new_executable);
  } catch (const std::runtime_error& error) {
    removed = std::string("It could not be removed:\r\n") + error.what();
  }
  Tell("The new version could not be started:\r\n" + why + "\r\n" + removed +
       "\r\nThis version goes on running.");
}

}  // namespace tickerloom::update
