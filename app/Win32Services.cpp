// The program's services on Windows: the Win32 file layer and process
// services, downloads through WinHTTP.

#include "app/NativeServices.h"
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

struct Win32Parts {
  platform::win32::Win32Process process;
  platform::win32::Win32FileSystem files;
  platform::win32::Win32SystemCodePage code_page;
#if TICKERLOOM_SELF_UPDATE
  platform::FileSystem& files_for_update = files;
  platform::win32::Win32UpdateFiles update_files{
      platform::win32::Narrow(platform::win32::ProgramPath())};
  platform::FileDownload download{platform::win32::Win32FilePrimitives(),
                                  platform::win32::StreamWithWinHttp};
#endif
};

}  // namespace

std::unique_ptr<PlatformServices> OpenPlatformServices(int /*argc*/, char** /*argv*/) {
  return std::make_unique<NativeServices<Win32Parts>>();
}

}  // namespace tickerloom::app
