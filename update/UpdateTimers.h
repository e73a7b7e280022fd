// What the self-update needs of the main window's two timers.
#pragma once

namespace tickerloom::update {

class UpdateTimers {
 public:
  virtual ~UpdateTimers() = default;
  // Timer1 ticks (again) every 500 ms; switching a running timer on leaves it running.
  virtual void SwitchTimer1On() = 0;
  // Timer2 stops ticking.
  virtual void SwitchTimer2Off() = 0;
};

}  // namespace tickerloom::update
