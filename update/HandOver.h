// The hand-over between the old and the new executable, carried out by the
// ticks of the main window's two timers. Each program decides what to do from
// the name it was started under and from which of the two files exist.
#pragma once

#include <string>

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "update/UpdateTimers.h"

namespace tickerloom::update {

class HandOver {
 public:
  // exe_name is the fixed executable name ("Quorvane.exe"), not the running one.
  // The window calls the ticks only while none of its message boxes is open,
  // so a tick never stacks a second box on the first.
  HandOver(std::string exe_name, platform::FileSystem& files, platform::MessageBoxes& boxes,
           platform::Process& process, UpdateTimers& timers);

  // Every Timer1 tick: when the running program is exe_name and the new
  // executable exists, says that the download is complete, starts the new
  // executable and ends the program. Otherwise nothing.
  void Timer1Tick(const std::string& app_folder);

  // The Timer2 tick: as exe_name with the new executable present, starts it
  // and ends the program (no message); as "New" + exe_name, deletes the plain
  // executable if present and renames the own file to it. Then switches
  // Timer2 off.
  void Timer2Tick(const std::string& app_folder);

  // Failures of a start, delete or rename throw (platform::FileError,
  // std::runtime_error) and leave Timer2 on.

 private:
  std::string exe_name_;
  platform::FileSystem& files_;
  platform::MessageBoxes& boxes_;
  platform::Process& process_;
  UpdateTimers& timers_;
};

}  // namespace tickerloom::update
