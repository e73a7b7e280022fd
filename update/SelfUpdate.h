// The self-update as the main window's update hook: the version check from
// the load handler, the hand-over from the two timer handlers.
#pragma once

#include "platform/Download.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/UpdateFiles.h"
#include "update/HandOver.h"
#include "update/Update.h"
#include "window/UpdateHook.h"

namespace tickerloom::update {

// The services the self-update works through; each must outlive the hook.
struct SelfUpdateServices {
  platform::FileSystem& files;
  platform::UpdateFiles& update_files;
  platform::Download& download;
  platform::Process& process;
  UpdateSource source;
};

class SelfUpdate final : public window::UpdateHook {
 public:
  explicit SelfUpdate(const SelfUpdateServices& services) : services_(services) {}

  // CheckForUpdate(AppFolder, kExecutableName, kProgramVersion), with the
  // window's message boxes and timers.
  void OnLoad(window::WindowHost& window) override;
  // The hand-over ticks for kExecutableName in AppFolder.
  void OnTimer1(window::WindowHost& window) override;
  void OnTimer2(window::WindowHost& window) override;

 private:
  SelfUpdateServices services_;
  HandOverState hand_over_;
};

}  // namespace tickerloom::update
