// The self-update hook of this build: wired to a platform's services with the
// update address and key built into the program, or none in a build without
// self-update.
#pragma once

#include <optional>

#include "window/UpdateHook.h"

#if TICKERLOOM_SELF_UPDATE
#include "app/UpdateConfig.h"
#include "update/SelfUpdate.h"
#endif

namespace tickerloom::app {

class UpdateWiring {
 public:
#if TICKERLOOM_SELF_UPDATE
  void Wire(platform::FileSystem& files, platform::UpdateFiles& update_files,
            platform::Download& download, platform::Process& process) {
    hook_.emplace(
        update::SelfUpdateServices{files, update_files, download, process,
                                   update::UpdateSource{kUpdateBaseUrl, kUpdatePublicKey}});
  }
  window::UpdateHook* Hook() {
    return hook_ ? &*hook_ : nullptr;
  }

 private:
  std::optional<update::SelfUpdate> hook_;
#else
  window::UpdateHook* Hook() {
    return nullptr;
  }
#endif
};

}  // namespace tickerloom::app
