// The hand-over between the old and the new executable, carried out by the
// ticks of the main window's two timers. Each program decides what to do from
// the name it was started under and from which of the two files exist.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "update/Update.h"

namespace tickerloom::update {

// Timer2 ticks once a second: the new program tries its rename again on
// this many more ticks while the plain executable is still in use, as on
// Windows while the old program is still ending.
inline constexpr int kInUseRetryTicks = 10;

// The old program ends only once the new one has shown that it runs: ready
// for input where the system tells so, else still running after this long.
// One that cannot run (a loader failure, a crash at start) ends within
// milliseconds.
inline constexpr std::chrono::seconds kStartWatch{4};

// Hides the main window (false) while the new program is watched, and shows
// it again (true) when that program has ended.
using ShowWindow = std::function<void(bool shown)>;

// What the hand-over remembers from one tick to the next in one run.
struct HandOverState {
  // A start of the new executable failed (and was told): no more attempts.
  bool start_failed = false;
  // Timer2 ticks whose rename found the plain executable in use.
  int in_use_ticks = 0;
};

class HandOver {
 public:
  // exe_name is the fixed executable name ("Quorvane.exe"), not the running one.
  // The window calls the ticks only while none of its message boxes is open,
  // so a tick never stacks a second box on the first.
  HandOver(std::string exe_name, platform::FileSystem& files, platform::MessageBoxes& boxes,
           platform::Process& process, UpdateTimers timers, ShowWindow show_window,
           HandOverState& state);

  // Every Timer1 tick: when the running program is exe_name and the new
  // executable exists, says that the download is complete, starts the new
  // executable and ends the program. Otherwise nothing.
  void Timer1Tick(const std::string& app_folder);

  // The Timer2 tick: as exe_name with the new executable present, starts it
  // and ends the program (no message); as "New" + exe_name, renames the own
  // file over the plain executable in one step, so that the folder always
  // holds a plain executable, and does nothing when another copy of the new
  // program has done so already. Then switches Timer2 off; but while the
  // rename fails because the plain executable is in use
  // (platform::FileError::InUse()), Timer2 stays on and its next
  // kInUseRetryTicks ticks try again.
  void Timer2Tick(const std::string& app_folder);

  // The new executable is started with the window hidden and watched for
  // kStartWatch; the program ends once it runs. When the system cannot start
  // it, or it ends first, the window shows again, the new executable is
  // removed (it is signed and can be downloaded again, and no later start
  // should trip over it), and one "Update" box tells why, with the OS's text
  // or the exit status: not at all when another copy of the program has
  // handed over in the meantime and the new executable is gone. After it,
  // neither tick starts anything again in this run. So is a rename that fails for another
  // reason or whose plain executable stays in use: then Timer2 is off, both
  // files stay, and the next start of the plain executable hands over again.

 private:
  // Starts the new executable and ends the program once it runs; after a
  // failed start, returns with state_.start_failed set.
  void StartNewAndEnd(const std::string& new_executable);
  // Renames the new executable over the plain one; false while the plain one
  // is in use and may be tried again on a later tick.
  bool TakePlace(const std::string& new_executable, const std::string& plain_executable);
  void Tell(const std::string& prompt);

  std::string exe_name_;
  platform::FileSystem& files_;
  platform::MessageBoxes& boxes_;
  platform::Process& process_;
  UpdateTimers timers_;
  ShowWindow show_window_;
  HandOverState& state_;
};

}  // namespace tickerloom::update
