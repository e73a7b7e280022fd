// The Qt 6 Widgets implementations of the desktop services.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Clipboard.h"
#include "platform/DesktopOpen.h"
#include "platform/MessageBox.h"
#include "platform/WindowToolkit.h"

class QDialog;
class QLabel;
class QProgressBar;
class QTimer;
class QWidget;

namespace tickerloom::platform::qt {

// Logical pixels for a length in twips: 15 twips to the pixel.
int TwipsToPixels(int twips);

// A top-level QWidget with absolutely placed child widgets. Every child's
// objectName is its control name.
class QtToolkitWindow final : public ToolkitWindow {
 public:
  QtToolkitWindow(const WindowLayout& layout, WindowEvents& events);
  ~QtToolkitWindow() override;

  std::string Text(std::string_view control) const override;
  void SetText(std::string_view control, const std::string& text) override;
  void SetTimerEnabled(std::string_view timer, bool enabled) override;
  bool TimerEnabled(std::string_view timer) const override;
  void Show() override;
  void SetBusy(bool busy) override;
  NativeWindowHandle Handle() const override;

  QWidget* Widget() const { return window_.get(); }
  QWidget* Control(std::string_view name) const;
  QTimer* Timer(std::string_view name) const;

 private:
  std::unique_ptr<QWidget> window_;
  std::map<std::string, QWidget*, std::less<>> controls_;
  std::map<std::string, QTimer*, std::less<>> timers_;
  QWidget* first_focus_ = nullptr;
};

// An application-modal QDialog: the prompt, a QProgressBar (a percentage,
// or busy when the length is unknown), the bytes received, and Cancel.
class QtProgressBox final : public ProgressBox {
 public:
  QtProgressBox(const std::string& title, const std::string& prompt);
  ~QtProgressBox() override;
  QtProgressBox(const QtProgressBox&) = delete;
  QtProgressBox& operator=(const QtProgressBox&) = delete;
  bool Update(std::uint64_t received, std::optional<std::uint64_t> total) override;

  QDialog* Dialog() const { return dialog_.get(); }

 private:
  std::unique_ptr<QDialog> dialog_;
  QProgressBar* bar_ = nullptr;
  QLabel* bytes_ = nullptr;
  bool cancelled_ = false;
};

// Needs a QApplication.
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
