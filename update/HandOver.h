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

// What the hand-over remembers from one tick to the next in one run.
struct HandOverState {
  // A start of the new executable failed (and was told): no more attempts.
  bool start_failed = false;
};

class HandOver {
 public:
  // exe_name is the fixed executable name ("Quorvane.exe"), not the running one.
  // The window calls the ticks only while none of its message boxes is open,
  // so a tick never stacks a second box on the first.
  HandOver(std::string exe_name, platform::FileSystem& files, platform::MessageBoxes& boxes,
           platform::Process& process, UpdateTimers& timers, HandOverState& state);

  // Every Timer1 tick: when the running program is exe_name and the new
  // executable exists, says that the download is complete, starts the new
  // executable and ends the program. Otherwise nothing.
  void Timer1Tick(const std::string& app_folder);

  // The Timer2 tick: as exe_name with the new executable present, starts it
  // and ends the program (no message); as "New" + exe_name, renames the own
  // file over the plain executable in one step, so that the folder always
  // holds a plain executable, and does nothing when another copy of the new
  // program has done so already. Then switches Timer2 off.
  void Timer2Tick(const std::string& app_folder);

  // A start that fails is told once in an "Update" box with the OS's error
  // text (or not at all when another copy of the program has handed over in
  // the meantime and the new executable is gone); after it, neither tick
  // starts anything again in this run. A failed rename throws
  // platform::FileError and leaves Timer2 on.

 private:
  // Starts the new executable and ends the program; after a failed start,
  // returns with state_.start_failed set.
  void StartNewAndEnd(const std::string& new_executable);

  std::string exe_name_;
  platform::FileSystem& files_;
  platform::MessageBoxes& boxes_;
  platform::Process& process_;
  UpdateTimers& timers_;
  HandOverState& state_;
};

}  // namespace tickerloom::update
