// The program's services on Linux and other POSIX systems: the POSIX file
// layer and process services, downloads through libcurl.
#include <csignal>

#include "app/PlatformServices.h"
#include "app/UpdateWiring.h"
#include "platform/posix/PosixCodePage.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcess.h"

#if TICKERLOOM_SELF_UPDATE
#include "platform/curl/CurlDownload.h"
#include "platform/posix/PosixUpdateFiles.h"
#endif

#if TICKERLOOM_TEST_PROGRAM
#include <cstdlib>
#endif

namespace tickerloom::app {
namespace {

#if TICKERLOOM_TEST_PROGRAM
// The test program's update files, for the crash tests of the hand-over:
// with TICKERLOOM_TEST_KILL_AT_STEP=n the program kills itself with SIGKILL
// at step n of its changes to them: 0 just before the first rename or delete,
// k just after the k-th. No other build reads the variable.
class KillingFileSystem final : public platform::PosixFileSystem {
 public:
  KillingFileSystem() {
    const char* step = std::getenv("TICKERLOOM_TEST_KILL_AT_STEP");
    if (step != nullptr) kill_at_ = std::atol(step);
  }
  void RemoveFile(const std::string& path) override {
    Step();
    PosixFileSystem::RemoveFile(path);
    ++changes_;
    Step();
  }
  void RenameFile(const std::string& from, const std::string& to) override {
    Step();
    PosixFileSystem::RenameFile(from, to);
    ++changes_;
    Step();
  }

 private:
  void Step() const {
    if (changes_ == kill_at_) std::raise(SIGKILL);
  }

  long kill_at_ = -1;
  long changes_ = 0;
};
#endif

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
#if TICKERLOOM_TEST_PROGRAM
  KillingFileSystem files_for_update_;
#else
  platform::FileSystem& files_for_update_ = files_;
#endif
  platform::PosixUpdateFiles update_files_;
  platform::CurlDownload download_;
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
