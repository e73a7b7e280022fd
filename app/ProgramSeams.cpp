#include "app/ProgramSeams.h"

namespace tickerloom::app {

platform::FilePrimitives UpdatePrimitives(const platform::FilePrimitives& native) {
  return native;
}

window::UpdateHook* UpdateHookOf(window::UpdateHook* hook, platform::Process& /*process*/) {
  return hook;
}

}  // namespace tickerloom::app
