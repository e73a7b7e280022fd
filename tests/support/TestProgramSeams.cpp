// What the test program does beyond the program, for the tests between real
// processes (tests/update/HandOverProcesses.sh, tests/win32/UpdateCycle.sh);
// built into it in place of app/ProgramSeams.cpp, so no other build reads its
// environment variables:
// - TICKERLOOM_TEST_TRACE: its ticks are traced (TracingHook.h);
// - TICKERLOOM_TEST_KILL_AT_STEP=n (POSIX): the program kills itself with
//   SIGKILL at step n of its changes to the update's files: 0 just before the
//   first rename or delete, k just after the k-th.
#include <csignal>
#include <cstdlib>
#include <memory>

#include "app/ProgramSeams.h"
#include "tests/support/FileFaults.h"
#include "tests/support/TracingHook.h"

namespace tickerloom::app {

window::UpdateHook* UpdateHookOf(window::UpdateHook* hook, platform::Process& process) {
  static testing::TracingHook tracing(hook, process.RunningName());
  return &tracing;
}

#ifndef _WIN32

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

#endif

}  // namespace tickerloom::app
