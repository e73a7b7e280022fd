// The program's services on Linux and other POSIX systems: the POSIX file
// layer and process services, downloads through libcurl.
#include <csignal>

#include "app/NativeServices.h"
#include "platform/posix/PosixCodePage.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcess.h"

#if TICKERLOOM_SELF_UPDATE
#include "app/ProgramSeams.h"
#include "platform/curl/CurlDownload.h"
#include "platform/posix/PosixUpdateFiles.h"
#endif

namespace tickerloom::app {
namespace {

struct PosixParts {
  explicit PosixParts(const char* argv0) : process(argv0) {}

  platform::PosixProcess process;
  platform::PosixFileSystem files;
  platform::PosixSystemCodePage code_page;
#if TICKERLOOM_SELF_UPDATE
  // Through primitives of their own, where the hand-over tests stop the test
  // program.
  platform::FileLayer files_for_update{UpdatePrimitives(platform::PosixFilePrimitives())};
  platform::PosixUpdateFiles update_files;
  platform::FileDownload download{platform::PosixFilePrimitives(), platform::StreamWithCurl};
#endif
};

}  // namespace

std::unique_ptr<PlatformServices> OpenPlatformServices(int argc, char** argv) {
  // A file that grows past the size limit (a full disk quota) must fail its
  // write with an error the user sees, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  return std::make_unique<NativeServices<PosixParts>>(argc > 0 ? argv[0] : nullptr);
}

}  // namespace tickerloom::app
