// Quorvane.exe: opens the window `Tickerloom` and runs until it is closed.
// Command-line arguments are ignored, apart from those the toolkit takes.
#include <csignal>

#include "app/UpdateConfig.h"
#include "platform/curl/CurlDownload.h"
#include "platform/Desktop.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcess.h"
#include "platform/posix/PosixUpdateFiles.h"
#include "update/SelfUpdate.h"
#include "window/Tickerloom.h"

int main(int argc, char** argv) {
  // A file that grows past the size limit (a full disk quota) must fail its
  // write with an error the user sees, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);

  using namespace tickerloom;
  // The running name comes from argv[0] before the toolkit sees the arguments.
  platform::PosixProcess process(argc > 0 ? argv[0] : nullptr);
  const auto desktop = platform::CreateDesktop(argc, argv);
  platform::PosixFileSystem files;
  platform::PosixUpdateFiles update_files;
  platform::CurlDownload download;
  update::SelfUpdate self_update(
      {files, update_files, download, process,
       update::UpdateSource{app::kUpdateBaseUrl, app::kUpdatePublicKey}});
  window::Tickerloom tickerloom({desktop->Toolkit(), files, desktop->Boxes(), desktop->Clipboard(),
                                 desktop->Opener(), process, &self_update});
  tickerloom.Open();
  return desktop->Toolkit().Run();
}
