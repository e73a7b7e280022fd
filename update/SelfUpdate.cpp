#include "update/SelfUpdate.h"

#include "common/ProgramInfo.h"
#include "update/HandOver.h"
#include "update/UpdateTimers.h"

namespace tickerloom::update {
namespace {

// The window's two timers, as the update sees them.
class WindowTimers final : public UpdateTimers {
 public:
  explicit WindowTimers(window::WindowHost& window) : window_(window) {}
  void SwitchTimer1On() override { window_.SwitchTimer1On(); }
  void SwitchTimer2Off() override { window_.SwitchTimer2Off(); }

 private:
  window::WindowHost& window_;
};

}  // namespace

void SelfUpdate::OnLoad(window::WindowHost& window) {
  WindowTimers timers(window);
  CheckForUpdate(window.AppFolder(), kExecutableName, kProgramVersion,
                 UpdateServices{services_.files, services_.update_files, services_.download,
                                window.Boxes(), window.Progress(), timers, services_.source});
}

void SelfUpdate::OnTimer1(window::WindowHost& window) {
  WindowTimers timers(window);
  HandOver(kExecutableName, services_.files, window.Boxes(), services_.process, timers, hand_over_)
      .Timer1Tick(window.AppFolder());
}

void SelfUpdate::OnTimer2(window::WindowHost& window) {
  WindowTimers timers(window);
  HandOver(kExecutableName, services_.files, window.Boxes(), services_.process, timers, hand_over_)
      .Timer2Tick(window.AppFolder());
}

}  // namespace tickerloom::update
