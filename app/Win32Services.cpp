// The program's services on Windows: the Win32 file layer and process
// services, downloads through WinHTTP.
#include <optional>

#include "app/PlatformServices.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Process.h"

#if TICKERLOOM_SELF_UPDATE
#include "app/UpdateConfig.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32UpdateFiles.h"
#include "platform/win32/WinHttpDownload.h"
#include "update/SelfUpdate.h"
#endif

namespace tickerloom::app {
namespace {

class Win32Services final : public PlatformServices {
 public:
  Win32Services() {
#if TICKERLOOM_SELF_UPDATE
    self_update_.emplace(update::SelfUpdateServices{files_, update_files_, download_, process_,
                                                    update::UpdateSource {
                                                      kUpdateBaseUrl,
                                                      kUpdatePublicKey
                                                    }});
#endif
  }
  platform::FileSystem& Files() override {
    return files_;
  }
  platform::Process& Process() override {
    return process_;
  }
  window::UpdateHook* Update() override {
#if TICKERLOOM_SELF_UPDATE
    return &*self_update_;
#else
    return nullptr;
#endif
  }

 private:
  platform::win32::Win32Process process_;
  platform::win32::Win32FileSystem files_;
#if TICKERLOOM_SELF_UPDATE
  platform::win32::Win32UpdateFiles update_files_{
      platform::win32::Narrow(platform::win32::ProgramPath())};
  platform::win32::WinHttpDownload download_;
  std::optional<update::SelfUpdate> self_update_;
#endif
};

}  // namespace

std::unique_ptr<PlatformServices> OpenPlatformServices(int /*argc*/, char** /*argv*/) {
  return std::make_unique<Win32Services>();
}

}  // namespace tickerloom::app
