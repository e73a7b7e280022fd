// The test program's primitives for the update's files, for the crash tests
// of the hand-over (tests/update/HandOverProcesses.sh): with
// TICKERLOOM_TEST_KILL_AT_STEP=n the program kills itself with SIGKILL at
// step n of its changes to them: 0 just before the first rename or delete, k
// just after the k-th. Built into the test program in place of
// app/UpdatePrimitives.cpp; no other build reads the variable.
#include <csignal>
#include <cstdlib>
#include <memory>

#include "app/UpdatePrimitives.h"
#include "tests/support/FileFaults.h"

namespace tickerloom::app {

platform::FilePrimitives UpdatePrimitives(const platform::FilePrimitives& native) {
  const char* step = std::getenv("TICKERLOOM_TEST_KILL_AT_STEP");
  if (step == nullptr) return native;
  const long kill_at = std::atol(step);
  auto changes = std::make_shared<long>(0);
  const auto kill_here = [=] {
    if (*changes == kill_at) std::raise(SIGKILL);
  };
  return testing::Around(native,
                         [=, rename = native.rename.name, remove = native.remove.name](
                             std::string_view name, const std::function<platform::Status()>& call) {
                           if (name != rename && name != remove) return call();
                           kill_here();
                           const platform::Status status = call();
                           if (status.Failed()) return status;
                           ++*changes;
                           kill_here();
                           return status;
                         });
}

}  // namespace tickerloom::app
