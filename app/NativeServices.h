// A platform's services (PlatformServices.h), made of its parts: Parts has
// the members process, files and code_page and, in a build with self-update,
// update_files, download and files_for_update (the file layer through which
// the update renames and removes its files), all made by its constructor.
#pragma once

#include <utility>

#include "app/PlatformServices.h"
#include "app/UpdateWiring.h"

namespace tickerloom::app {

template <class Parts>
class NativeServices final : public PlatformServices {
 public:
  template <class... Args>
  explicit NativeServices(Args&&... args) : parts_(std::forward<Args>(args)...) {
#if TICKERLOOM_SELF_UPDATE
    update_.Wire(parts_.files_for_update, parts_.update_files, parts_.download, parts_.process);
#endif
  }

  platform::FileSystem& Files() override {
    return parts_.files;
  }
  platform::Process& Process() override {
    return parts_.process;
  }
  platform::SystemCodePage& CodePage() override {
    return parts_.code_page;
  }
  window::UpdateHook* Update() override {
    return update_.Hook();
  }

 private:
  Parts parts_;
  UpdateWiring update_;
};

}  // namespace tickerloom::app
