// The main window `Tickerloom`: its controls come from the layout table, its
// behaviour lives in one handler per control event.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "generator/ScriptForm.h"
#include "generator/ScrollScript.h"
#include "platform/Clipboard.h"
#include "platform/DesktopOpen.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "platform/WindowToolkit.h"
#include "window/UpdateHook.h"

namespace tickerloom::window {

// The services the window works through; each must outlive the window.
struct Services {
  platform::WindowToolkit& toolkit;
  platform::FileSystem& files;
  platform::MessageBoxes& boxes;
  platform::Clipboard& clipboard;
  platform::DesktopOpen& opener;
  platform::Process& process;
  platform::SystemCodePage& code_page;
  UpdateHook* update = nullptr;  // none: the load and timer handlers only set AppFolder
};

// The texts of the window's own messages.
inline constexpr const char* kClipboardFailedMessage =
    "The Script Text Could Not Be Copied To The Clipboard, So It Was Not Cleared";

class Tickerloom final : public generator::ScriptForm,
                         public WindowHost,
                         private platform::WindowEvents,
                         private platform::MessageBoxes,
                         private platform::ProgressBoxes {
 public:
  // Creates the window with all its controls; both timers run from here on.
  explicit Tickerloom(const Services& services);
  ~Tickerloom() override;
  Tickerloom(const Tickerloom&) = delete;
  Tickerloom& operator=(const Tickerloom&) = delete;

  // Runs the load handler, then shows the window with the focus in ScriptText.
  void Open();

  // The handlers of the window's events. Each may throw; the event dispatch
  // reports what escapes in a message box and the program goes on.
  void Form_Load();
  void ScriptMake_Click();
  void Command1_Click();
  void ScriptText_Change();
  void HlpScriptLine_Click();
  void ScriptAbout_Click();
  void Label2_Click();
  void Timer1_Timer();
  void Timer2_Timer();

  // generator::ScriptForm
  std::string ScriptText() const override;
  std::string ScriptLine() const override;
  std::string ScriptName() const override;
  std::string ScriptBind() const override;
  void SetTotalFileCaption(const std::string& caption) override;

  // WindowHost
  const std::string& AppFolder() const override { return app_folder_; }
  platform::MessageBoxes& Boxes() override { return *this; }
  platform::ProgressBoxes& Progress() override { return *this; }
  void SwitchTimer1On() override;
  void SwitchTimer2Off() override;
  void SetWindowShown(bool shown) override;

  bool Timer1Enabled() const;
  bool Timer2Enabled() const;
  platform::ToolkitWindow& Window() { return *window_; }

 private:
  // platform::WindowEvents: route each event to its handler.
  void Click(std::string_view control) override;
  void Change(std::string_view control) override;
  // Drops the tick while a handler runs or a box of the window is open.
  void Tick(std::string_view timer) override;
  // platform::MessageBoxes: the service's box, counted as an open box.
  platform::MessageAnswer Show(const platform::Message& message) override;
  // platform::ProgressBoxes: the toolkit's box, counted as an open box and
  // with the wait cursor while it lives.
  std::unique_ptr<platform::ProgressBox> OpenProgressBox(const std::string& title,
                                                         const std::string& prompt) override;
  // Runs one handler; an exception it throws is shown in a message box.
  void Dispatch(void (Tickerloom::*handler)());
  void Say(const std::string& prompt);
  // Make's folder may not be written: offers the elevated start, or says
  // what to do.
  void RefuseDeniedFolder(const std::string& folder, const platform::FileError& error);
  // Binds the key in the VirtualStore copy of autoexec.rul too, if any.
  void MergeIntoVirtualStore(const generator::ScriptEncoding& encoding);

  Services services_;
  std::string app_folder_;
  bool told_virtual_store_ = false;
  // The handlers that run and the boxes that are open: the one place that
  // decides whether a tick is dropped. The toolkit delivers every tick.
  int holding_ticks_ = 0;
  std::unique_ptr<platform::ToolkitWindow> window_;
};

}  // namespace tickerloom::window
