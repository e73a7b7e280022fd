#include "update/HandOver.h"

#include <utility>

namespace tickerloom::update {

HandOver::HandOver(std::string exe_name, platform::FileSystem& files, platform::MessageBoxes& boxes,
                   platform::Process& process, UpdateTimers& timers)
    : exe_name_(std::move(exe_name)),
      files_(files),
      boxes_(boxes),
      process_(process),
      timers_(timers) {}

void HandOver::Timer1Tick(const std::string& app_folder) {
  const std::string new_executable = app_folder + "New" + exe_name_;
  if (files_.FileExists(new_executable) && process_.RunningName() == exe_name_) {
    boxes_.Show(platform::Message{.prompt = "Download Of Update Completed",
                                  .title = "Update",
                                  .buttons = platform::MessageButtons::kOk,
                                  .icon = platform::MessageIcon::kInformation});
    process_.StartProgram(new_executable);
    process_.ExitNow();
  }
}

void HandOver::Timer2Tick(const std::string& app_folder) {
  const std::string plain_executable = app_folder + exe_name_;
  const std::string new_executable = app_folder + "New" + exe_name_;
  const std::string running_name = process_.RunningName();
  if (running_name == exe_name_ && files_.FileExists(new_executable)) {
    process_.StartProgram(new_executable);
    process_.ExitNow();
  } else if (running_name == "New" + exe_name_ && files_.FileExists(plain_executable)) {
    files_.RemoveFile(plain_executable);
    files_.RenameFile(new_executable, plain_executable);
  } else if (running_name == "New" + exe_name_) {
    files_.RenameFile(new_executable, plain_executable);
  }
  timers_.SwitchTimer2Off();
}

}  // namespace tickerloom::update
