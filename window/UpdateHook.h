// The seam between the main window and the self-update: the window calls the
// hook from its load handler and its two timer handlers, and offers the hook
// the few operations the update needs.
#pragma once

#include <string>

#include "platform/MessageBox.h"
#include "platform/WindowToolkit.h"

namespace tickerloom::window {

// What the main window offers the update while one of its handlers runs.
class WindowHost {
 public:
  virtual ~WindowHost() = default;
  // The program's folder followed by the separator; set before the hook's
  // OnLoad runs.
  virtual const std::string& AppFolder() const = 0;
  // The window's message boxes. Boxes shown through these hold off every
  // timer tick until they are closed, so show every box of the program here.
  virtual platform::MessageBoxes& Boxes() = 0;
  // The window's progress boxes: while one is open no timer tick runs and
  // the wait cursor shows.
  virtual platform::ProgressBoxes& Progress() = 0;
  virtual void SwitchTimer1On() = 0;
  virtual void SwitchTimer2Off() = 0;
  // Hides the main window, or shows it again as it was.
  virtual void SetWindowShown(bool shown) = 0;
};

// Filled in by the self-update. Each call runs on the user-interface thread,
// never while another handler of the window runs or one of its boxes is open.
// An exception escaping a call stops that handler and is shown in a box.
class UpdateHook {
 public:
  virtual ~UpdateHook() = default;
  // From Form_Load, after AppFolder is set and before the window is shown.
  virtual void OnLoad(WindowHost& window) = 0;
  // From Timer1_Timer (every 500 ms) and Timer2_Timer (every 1000 ms).
  virtual void OnTimer1(WindowHost& window) = 0;
  virtual void OnTimer2(WindowHost& window) = 0;
};

}  // namespace tickerloom::window
