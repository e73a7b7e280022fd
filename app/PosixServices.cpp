// The program's services on Linux and other POSIX systems: the POSIX file
// layer and process services, downloads through libcurl.
#include <csignal>
#include <optional>

#include "app/PlatformServices.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcess.h"

#if TICKERLOOM_SELF_UPDATE
#include "app/UpdateConfig.h"
#include "platform/curl/CurlDownload.h"
#include "platform/posix/PosixUpdateFiles.h"
#include "update/SelfUpdate.h"
#endif

namespace tickerloom::app {
namespace {

class PosixServices final : public PlatformServices {
 public:
  explicit PosixServices(const char* argv0) : process_(argv0) {
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
  platform::PosixProcess process_;
  platform::PosixFileSystem files_;
#if TICKERLOOM_SELF_UPDATE
  platform::PosixUpdateFiles update_files_;
  platform::CurlDownload download_;
  std::optional<update::SelfUpdate> self_update_;
#endif
};

}  // namespace

std::unique_ptr<PlatformServices> OpenPlatformServices(int argc, char** argv) {
  // A file that grows past the size limit (a full disk quota) must fail its
  // write with an error the user sees, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  return std::make_unique<PosixServices>(argc > 0 ? argv[0] : nullptr);
}

}  // namespace tickerloom::app
