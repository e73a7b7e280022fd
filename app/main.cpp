// Quorvane.exe: opens the window `Tickerloom` and runs until it is closed.
// Command-line arguments are ignored, apart from those the toolkit takes.
#include "app/PlatformServices.h"
#include "app/ProgramSeams.h"
#include "platform/Desktop.h"
#include "window/Tickerloom.h"

int main(int argc, char** argv) {
  using namespace tickerloom;
  const auto services = app::OpenPlatformServices(argc, argv);
  const auto desktop = platform::ConnectDesktop(argc, argv);
  window::Tickerloom tickerloom({desktop->Toolkit(), services->Files(), desktop->Boxes(),
                                 desktop->Clipboard(), desktop->Opener(), services->Process(),
                                 services->CodePage(),
                                 app::UpdateHookOf(services->Update(), services->Process())});
  tickerloom.Open();
  return desktop->Toolkit().Run();
}
