// The program's services on Linux and other POSIX systems: the POSIX file
// layer and process services, downloads through libcurl.
#include <csignal>

#include "app/PlatformServices.h"
#include "app/UpdateWiring.h"
#include "platform/posix/PosixCodePage.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcess.h"

#if TICKERLOOM_SELF_UPDATE
#include "app/UpdatePrimitives.h"
#include "platform/curl/CurlDownload.h"
#include "platform/posix/PosixUpdateFiles.h"
#endif

namespace tickerloom::app {
namespace {

class PosixServices final : public PlatformServices {
 public:
  explicit PosixServices(const char* argv0) : process_(argv0) {
#if TICKERLOOM_SELF_UPDATE
    update_.Wire(files_for_update_, update_files_, download_, process_);
#endif
  }
  platform::FileSystem& Files() override {
    return files_;
  }
  platform::Process& Process() override {
    return process_;
  }
  platform::SystemCodePage& CodePage() override {
    return code_page_;
  }
  window::UpdateHook* Update() override {
    return update_.Hook();
  }

 private:
  platform::PosixProcess process_;
  platform::PosixFileSystem files_;
  platform::PosixSystemCodePage code_page_;
#if TICKERLOOM_SELF_UPDATE
  // The files the update renames and removes, through primitives of their
  // own, where the hand-over tests stop the test program.
  platform::FileLayer files_for_update_{UpdatePrimitives(platform::PosixFilePrimitives())};
  platform::PosixUpdateFiles update_files_;
  platform::FileDownload download_{platform::PosixFilePrimitives(), platform::StreamWithCurl};
#endif
  UpdateWiring update_;
};

}  // namespace

std::unique_ptr<PlatformServices> OpenPlatformServices(int argc, char** argv) {
  // A file that grows past the size limit (a full disk quota) must fail its
  // write with an error the user sees, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  return std::make_unique<PosixServices>(argc > 0 ? argv[0] : nullptr);
}

}  // namespace tickerloom::app
