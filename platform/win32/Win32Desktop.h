// The desktop services in plain Win32 (Unicode): the window toolkit, message
// boxes, the clipboard and ShellExecuteW.
//
// What the Win32 window (Win32Window.cpp) makes of a WindowLayout:
// - caption, client size: as given; program_icon: the executable's icon
//   resource 1, in the system's big and small sizes.
// - places and sizes: device pixels of the window's DPI, twips * dpi / 1440
//   rounded to the nearest, laid out again when the DPI changes.
// - default_font: ignored; the window and every control without a font of
//   its own take the system's message font (that of message boxes).
// - a control's font: every field, the character set included; the points
//   become pixels of the window's DPI.
// - kinds: EDIT, BUTTON (a group box for a frame), STATIC and SetTimer.
// - tab_index: the order the controls are made in, which Tab and Shift+Tab
//   follow through the dialog manager (Run, Dispatch); text boxes and buttons
//   are its tab stops. parent: the control is a child of that frame.
// - max_length: text boxes; 0 also lifts the edit control's own limit of
//   30,000 characters.
// - alignment: text boxes and labels; buttons and frames ignore it.
// - Background::kScrollBar: text boxes only, the system's COLOR_SCROLLBAR.
// - tool_tip, cursor, interval_ms and enabled: as given.
// - accessible_name, accessible_description: annotations through the
//   system's IAccPropServices, where there is one; Wine's answers "not
//   implemented", so under Wine they are lost.
// Events: Click for every button (BN_CLICKED) and every label (a click or a
// double click), none for a frame; Change for every EN_CHANGE once the window
// is made; Tick for every WM_TIMER of a running timer, also while a modal
// box runs its loop. Enter and Escape click nothing: no button is a default.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/Desktop.h"
#include "platform/DesktopOpen.h"
#include "platform/MessageBox.h"
#include "platform/WindowToolkit.h"

struct IAccPropServices;

namespace tickerloom::platform::win32 {

// Device pixels for a length in twips at `dpi` dots per inch; at 96 dpi a
// pixel is 15 twips.
int TwipsToPixels(int twips, unsigned dpi);

// What the windows and the boxes share: the main window, which owns every
// box and whose keys go through the dialog manager.
struct MainWindow {
  HWND handle = nullptr;
};

// A top-level window with its controls as children, sized in pixels of the
// monitor's DPI and laid out again when that changes. The window's font is
// the system's message font; a control's own font comes from its layout.
class Win32ToolkitWindow final : public ToolkitWindow {
 public:
  // Throws std::runtime_error when the system refuses a window.
  Win32ToolkitWindow(const WindowLayout& layout, WindowEvents& events, MainWindow& main);
  ~Win32ToolkitWindow() override;
  Win32ToolkitWindow(const Win32ToolkitWindow&) = delete;
  Win32ToolkitWindow& operator=(const Win32ToolkitWindow&) = delete;

  std::string Text(std::string_view control) const override;
  void SetText(std::string_view control, const std::string& text) override;
  void SetTimerEnabled(std::string_view timer, bool enabled) override;
  bool TimerEnabled(std::string_view timer) const override;
  // Shows the window as the program was asked to start (SW_SHOWDEFAULT).
  void Show() override;
  void Hide() override;
  void SetBusy(bool busy) override;
  NativeWindowHandle Handle() const override;

  HWND Window() const { return window_; }
  // Throws std::out_of_range for an unknown name.
  HWND Control(std::string_view name) const;
  HWND ToolTips() const { return tool_tips_; }
  // The identifier of a timer's WM_TIMER messages.
  UINT_PTR TimerId(std::string_view timer) const { return Timer(timer).id; }
  unsigned Dpi() const { return dpi_; }

 private:
  struct ControlEntry {
    ControlLayout layout;
    HWND handle = nullptr;
    HFONT own_font = nullptr;
  };
  struct TimerEntry {
    std::string name;
    UINT_PTR id = 0;
    UINT interval_ms = 0;
    bool enabled = false;
  };

  void Build(const WindowLayout& layout);
  // Frees what Build made, also after a failure part of the way.
  void Dismantle();
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControl(ControlEntry& entry, int id);
  // Places every control and makes the fonts for `dpi`.
  void ApplyDpi(unsigned dpi);
  void AddToolTip(const ControlEntry& entry);
  void NameForAccessibility(const ControlEntry& entry);
  const ControlEntry& Entry(std::string_view name) const;
  const ControlEntry* EntryOf(HWND handle) const;
  TimerEntry& Timer(std::string_view name);
  const TimerEntry& Timer(std::string_view name) const;

  WindowEvents& events_;
  MainWindow& main_;
  HWND window_ = nullptr;
  HWND tool_tips_ = nullptr;
  HWND focus_ = nullptr;  // the control that had the focus when the window was left
  bool shown_before_ = false;
  HFONT message_font_ = nullptr;
  HICON big_icon_ = nullptr;
  HICON small_icon_ = nullptr;
  IAccPropServices* accessibility_ = nullptr;
  unsigned dpi_ = 96;
  int busy_ = 0;
  bool notify_ = false;  // no change events while the controls are made
  bool destroying_ = false;
  std::vector<ControlEntry> controls_;  // in tab order
  std::map<std::string, std::size_t, std::less<>> by_name_;
  std::vector<TimerEntry> timers_;
};

// The download's progress box: a small window owned by the main window with
// the prompt, a progress bar (moving to and fro while the length is unknown),
// the bytes received with the percentage, and Cancel. Application-modal: the
// main window takes no input while it is open. Update() runs the messages
// that wait, for the whole thread (the main window's timers among them); a
// WM_QUIT among them cancels and is posted again when the box closes. The
// wait cursor shows over the box, but for Cancel.
class Win32ProgressBox final : public ProgressBox {
 public:
  // Throws std::runtime_error when the system refuses the window.
  Win32ProgressBox(const std::string& title, const std::string& prompt, HWND owner);
  ~Win32ProgressBox() override;
  Win32ProgressBox(const Win32ProgressBox&) = delete;
  Win32ProgressBox& operator=(const Win32ProgressBox&) = delete;
  bool Update(std::uint64_t received, std::optional<std::uint64_t> total) override;

  HWND Window() const { return box_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Build(const std::string& title, const std::string& prompt);
  void Dismantle();
  void ShowFigures(std::uint64_t received, std::optional<std::uint64_t> total);
  void Pump();

  HWND owner_ = nullptr;
  bool owner_enabled_ = false;
  HWND box_ = nullptr;
  HWND bar_ = nullptr;
  HWND bytes_ = nullptr;
  HWND cancel_ = nullptr;
  HFONT font_ = nullptr;
  bool moving_to_and_fro_ = false;
  bool cancelled_ = false;
  std::optional<int> quit_code_;
};

class Win32WindowToolkit final : public WindowToolkit {
 public:
  explicit Win32WindowToolkit(MainWindow& main) : main_(main) {}
  // The window becomes the owner of the message boxes.
  std::unique_ptr<ToolkitWindow> OpenWindow(const WindowLayout& layout,
                                            WindowEvents& events) override;
  int Run() override;
  // A Win32ProgressBox.
  std::unique_ptr<ProgressBox> OpenProgressBox(const std::string& title,
                                               const std::string& prompt) override;
  // Hands one message on, as Run() does: the keys of the main window through
  // the dialog manager (IsDialogMessageW), so that Tab and Shift+Tab move the
  // focus as in a dialog, the rest to its window procedure.
  void Dispatch(MSG& message);

 private:
  MainWindow& main_;
};

// MessageBoxW, owned by the main window, application-modal.
class Win32MessageBoxes final : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(MainWindow& main) : main_(main) {}
  MessageAnswer Show(const Message& message) override;

 private:
  MainWindow& main_;
};

// CF_UNICODETEXT, held by a message-only window of its own. Failures throw
// std::runtime_error with the system's text.
class Win32Clipboard final : public Clipboard {
 public:
  Win32Clipboard();
  void Clear() override;
  void SetText(const std::string& text) override;
  std::string Text() override;

 private:
  struct Destroy {
    void operator()(HWND window) const { ::DestroyWindow(window); }
  };
  std::unique_ptr<std::remove_pointer_t<HWND>, Destroy> owner_;
};

// ShellExecuteW with the default verb, "C:\" as working folder and a normal window.
class Win32DesktopOpen final : public DesktopOpen {
 public:
  bool Open(NativeWindowHandle owner, const std::string& address) override;
};

// COM for this thread (accessible names, ShellExecuteW) and the services above.
class Win32Desktop final : public Desktop {
 public:
  Win32Desktop();
  ~Win32Desktop() override;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;
  Win32WindowToolkit& Toolkit() override { return toolkit_; }
  Win32MessageBoxes& Boxes() override { return boxes_; }
  Win32Clipboard& Clipboard() override { return clipboard_; }
  Win32DesktopOpen& Opener() override { return opener_; }

 private:
  bool com_initialised_ = false;
  MainWindow main_;
  Win32WindowToolkit toolkit_{main_};
  Win32MessageBoxes boxes_{main_};
  Win32Clipboard clipboard_;
  Win32DesktopOpen opener_;
};

}  // namespace tickerloom::platform::win32
