#include "update/MessageBoxGate.h"

namespace tickerloom::update {

platform::MessageAnswer MessageBoxGate::Show(const platform::Message& message) {
  struct Open {
    int& count;
    explicit Open(int& c) : count(c) { ++count; }
    ~Open() { --count; }
  } open(open_);
  return boxes_.Show(message);
}

}  // namespace tickerloom::update
