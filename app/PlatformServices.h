// The OS services the program runs on, made once at start by the one source
// file of the platform it is built for (PosixServices.cpp on Linux).
#pragma once

#include <memory>

#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "window/UpdateHook.h"

namespace tickerloom::app {

class PlatformServices {
 public:
  virtual ~PlatformServices() = default;
  virtual platform::FileSystem& Files() = 0;
  virtual platform::Process& Process() = 0;
  virtual platform::SystemCodePage& CodePage() = 0;
  // The self-update wired to this platform's services; none in a build
  // without self-update.
  virtual window::UpdateHook* Update() = 0;
};

// Called first thing in main, before the toolkit sees the arguments: the
// running name comes from argv[0] as the program was started.
std::unique_ptr<PlatformServices> OpenPlatformServices(int argc, char** argv);

}  // namespace tickerloom::app
