// The Qt 6 Widgets implementations of the desktop services.
//
// What the Qt window makes of a WindowLayout:
// - caption, client size, program_icon: as given; the icon is built from the
//   program's own pixels (platform/icon).
// - places and sizes: logical pixels of 15 twips each, rounded to the
//   nearest; Qt itself scales logical pixels to the screen.
// - default_font and a control's font: family (fontconfig substitutes a
//   missing one), points, weight, italic, underline and strike-out; the
//   character set is ignored, as Qt falls back to another font for the
//   letters one lacks.
// - kinds: QLineEdit, QPushButton, QLabel, QGroupBox and QTimer, each named
//   (objectName) after its control.
// - tab_index: the Tab order of the text boxes and buttons; labels and frames
//   take no focus. parent: the control is placed in that frame.
// - max_length: text boxes; 0 also lifts Qt's own limit of 32767.
// - alignment: text boxes and labels; buttons and frames ignore it.
// - Background::kScrollBar: text boxes only, approximated by a fixed light
//   grey (200, 200, 200): Qt's palette has no colour for scroll bars.
// - tool_tip, cursor, accessible_name, accessible_description, interval_ms
//   and enabled: as given.
// Events: Click for every button and for every label (a left-button press and
// release over it), none for a frame; Change for every change of a text
// box's text; Tick for every timeout of a running timer, also while a modal
// box runs its loop. Enter and Escape click nothing: no button is a default.
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
