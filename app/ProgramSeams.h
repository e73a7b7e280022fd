// Where the test program differs from the program, as functions that the
// program defines to leave everything as it is (ProgramSeams.cpp) and the
// test program takes from tests/support/TestProgramSeams.cpp instead, so that
// no source of the program holds test code.
#pragma once

#include "platform/FilePrimitives.h"
#include "platform/Process.h"
#include "window/UpdateHook.h"

namespace tickerloom::app {

// The file primitives the self-update's file layer works through on POSIX
// systems: the platform's own in the program; in the test program ones that
// can end it at a given change of the update's files.
platform::FilePrimitives UpdatePrimitives(const platform::FilePrimitives& native);

// The update hook the window is given: `hook` itself in the program; in the
// test program one that also traces the ticks it handles.
window::UpdateHook* UpdateHookOf(window::UpdateHook* hook, platform::Process& process);

}  // namespace tickerloom::app
