// The test program's account of its timers, for the tests between real
// processes, which must wait for a tick rather than for a time: with
// TICKERLOOM_TEST_TRACE naming a file, each Timer1 or Timer2 tick the update
// hook has handled adds a line "<process id> <running name> Timer1" (or
// "... Timer2") to it. A tick that ends the program leaves no line.
#pragma once

#include <string>

#include "window/UpdateHook.h"

namespace tickerloom::testing {

class TracingHook final : public window::UpdateHook {
 public:
  // Traces the ticks of `hook` (none: ticks that do nothing) as the program
  // started under running_name.
  TracingHook(window::UpdateHook* hook, std::string running_name);

  void OnLoad(window::WindowHost& window) override;
  void OnTimer1(window::WindowHost& window) override;
  void OnTimer2(window::WindowHost& window) override;

 private:
  // Adds the line for `event`, when there is a trace to add it to.
  void Note(const char* event) const;

  window::UpdateHook* hook_;
  std::string prefix_;  // "<process id> <running name> "
  std::string trace_;   // empty: no trace
};

}  // namespace tickerloom::testing
