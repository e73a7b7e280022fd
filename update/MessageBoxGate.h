// Tells whether one of the program's message boxes is open.
#pragma once

#include "platform/MessageBox.h"

namespace tickerloom::update {

// Passes every box on to the real message boxes and counts the open ones. A
// toolkit may deliver timer ticks while a modal box is open; the tick
// handlers ask this gate and do nothing then, so no second box stacks on the
// first and nothing is started behind the user's back.
class MessageBoxGate : public platform::MessageBoxes {
 public:
  explicit MessageBoxGate(platform::MessageBoxes& boxes) : boxes_(boxes) {}
  platform::MessageAnswer Show(const platform::Message& message) override;
  bool AnyOpen() const { return open_ > 0; }

 private:
  platform::MessageBoxes& boxes_;
  int open_ = 0;
};

}  // namespace tickerloom::update
