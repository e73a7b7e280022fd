// The program's services on Windows: the Win32 file layer and process
// services. This build has no self-update.
#include "app/PlatformServices.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Process.h"

#if TICKERLOOM_SELF_UPDATE
#error "The Windows build has no self-update yet: configure with -DTICKERLOOM_SELF_UPDATE=OFF"
#endif

namespace tickerloom::app {
namespace {

class Win32Services final : public PlatformServices {
 public:
  platform::FileSystem& Files() override { return files_; }
  platform::Process& Process() override { return process_; }
  window::UpdateHook* Update() override { return nullptr; }

 private:
  platform::win32::Win32Process process_;
  platform::win32::Win32FileSystem files_;
};

}  // namespace

std::unique_ptr<PlatformServices> OpenPlatformServices(int /*argc*/, char** /*argv*/) {
  return std::make_unique<Win32Services>();
}

}  // namespace tickerloom::app
