// Message boxes that remember whether one of them is open, so that the
// window can hold off its timer ticks while a box waits for the user.
#pragma once

#include "platform/MessageBox.h"

namespace tickerloom::window {

// Adds one to a count for as long as it lives.
class ScopedCount {
 public:
  explicit ScopedCount(int& count) : count_(count) { ++count_; }
  ~ScopedCount() { --count_; }
  ScopedCount(const ScopedCount&) = delete;
  ScopedCount& operator=(const ScopedCount&) = delete;

 private:
  int& count_;
};

class GuardedMessageBoxes final : public platform::MessageBoxes {
 public:
  explicit GuardedMessageBoxes(platform::MessageBoxes& boxes) : boxes_(boxes) {}

  platform::MessageAnswer Show(const platform::Message& message) override {
    const ScopedCount open(open_);
    return boxes_.Show(message);
  }

  bool AnyOpen() const { return open_ > 0; }

 private:
  platform::MessageBoxes& boxes_;
  int open_ = 0;
};

}  // namespace tickerloom::window
