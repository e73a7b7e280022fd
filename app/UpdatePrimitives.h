// The file primitives that the self-update's file layer works through on
// POSIX systems.
#pragma once

#include "platform/FilePrimitives.h"

namespace tickerloom::app {

// The platform's own (UpdatePrimitives.cpp). The test program is built with
// tests/support/StopAtUpdateStep.cpp in its place, whose primitives can end
// the program at a given change of the update's files.
platform::FilePrimitives UpdatePrimitives(const platform::FilePrimitives& native);

}  // namespace tickerloom::app
