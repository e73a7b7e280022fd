// The Qt 6 Widgets implementations of the desktop services.
#pragma once

#include <memory>
#include <string>

#include "platform/Clipboard.h"
#include "platform/DesktopOpen.h"
#include "platform/MessageBox.h"
#include "platform/WindowToolkit.h"

namespace tickerloom::platform::qt {

// Needs a QApplication. A window is a top-level QWidget with absolutely
// placed children; its Handle() is the widget's winId(), so QWidget::find
// gives the widget back. A progress box is an application-modal QDialog:
// the prompt, a QProgressBar (a percentage, or busy when the length is
// unknown), the bytes received, and Cancel.
class QtWindowToolkit final : public WindowToolkit {
 public:
  std::unique_ptr<ToolkitWindow> OpenWindow(const WindowLayout& layout,
                                            WindowEvents& events) override;
  int Run() override;
  std::unique_ptr<ProgressBox> OpenProgressBox(const std::string& title,
                                               const std::string& prompt) override;
};

// Modal QMessageBox; CR LF line breaks are shown as line breaks.
class QtMessageBoxes final : public MessageBoxes {
 public:
  MessageAnswer Show(const Message& message) override;
};

class QtClipboard final : public Clipboard {
 public:
  void Clear() override;
  void SetText(const std::string& text) override;
  std::string Text() override;
};

// QDesktopServices::openUrl; the owner plays no part there.
class QtDesktopOpen final : public DesktopOpen {
 public:
  bool Open(NativeWindowHandle owner, const std::string& address) override;
};

}  // namespace tickerloom::platform::qt
