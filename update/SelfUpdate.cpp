#include "update/SelfUpdate.h"

#include "common/ProgramInfo.h"
#include "update/HandOver.h"
#include "update/Update.h"

namespace tickerloom::update {
namespace {

// The window's two timers, as the update sees them.
UpdateTimers TimersOf(window::WindowHost& window) {
  return {[&window] { window.SwitchTimer1On(); }, [&window] { window.SwitchTimer2Off(); }};
}

HandOver HandOverOf(window::WindowHost& window, const SelfUpdateServices& services,
                    HandOverState& state) {
  return {kExecutableName,
          services.files,
          window.Boxes(),
          services.process,
          TimersOf(window),
          [&window](bool shown) { window.SetWindowShown(shown); },
          state};
}

}  // namespace

void SelfUpdate::OnLoad(window::WindowHost& window) {
  CheckForUpdate(window.AppFolder(), kExecutableName, kProgramVersion,
                 UpdateServices{services_.files,
                                services_.update_files,
                                services_.download,
                                window.Boxes(),
                                window.Progress(),
                                TimersOf(window),
                                services_.source,
                                {},
                                &services_.process});
}

void SelfUpdate::OnTimer1(window::WindowHost& window) {
  HandOverOf(window, services_, hand_over_).Timer1Tick(window.AppFolder());
}

void SelfUpdate::OnTimer2(window::WindowHost& window) {
  HandOverOf(window, services_, hand_over_).Timer2Tick(window.AppFolder());
}

}  // namespace tickerloom::update
