// The program's services on Windows: the Win32 file layer and process
// services, downloads through WinHTTP.

#include "app/PlatformServices.h"
#include "app/UpdateWiring.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Process.h"

#if TICKERLOOM_SELF_UPDATE
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32UpdateFiles.h"
#include "platform/win32/WinHttpDownload.h"
#endif

namespace tickerloom::app {
namespace {

class Win32Services final : public PlatformServices {
 public:
  Win32Services() {
#if TICKERLOOM_SELF_UPDATE
    update_.Wire(files_, update_files_, download_, process_);
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
  platform::win32::Win32Process process_;
  platform::win32::Win32FileSystem files_;
  platform::win32::Win32SystemCodePage code_page_;
#if TICKERLOOM_SELF_UPDATE
  platform::win32::Win32UpdateFiles update_files_{
      platform::win32::Narrow(platform::win32::ProgramPath())};
  platform::FileDownload download_{platform::win32::Win32FilePrimitives(),
                                   platform::win32::StreamWithWinHttp};
#endif
  UpdateWiring update_;
};

}  // namespace

std::unique_ptr<PlatformServices> OpenPlatformServices(int /*argc*/, char** /*argv*/) {
  return std::make_unique<Win32Services>();
}

}  // namespace tickerloom::app
