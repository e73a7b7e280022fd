// The window toolkit as a platform service. The window code describes its
// controls as plain data and receives its events through WindowEvents; no
// type of the toolkit that draws the window appears here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tickerloom::platform {

enum class ControlKind { kTextBox, kCommandButton, kLabel, kFrame, kTimer };

enum class TextAlignment { kLeft, kCenter };

// A background other than the kind's default.
enum class Background { kDefault, kScrollBar };

enum class MouseCursor { kDefault, kCrossHair };

struct FontChoice {
  std::string family;  // substituted by the font system when missing
  double points = 8;
  int weight = 400;  // 400 normal, 700 bold
  bool italic = false;
  bool underline = false;
  bool strike_out = false;
  int character_set = 0;  // 0: the toolkit's default (ANSI) character set
};

// One control of the window. Places and sizes are in twips (1/1440 inch);
// at 96 dots per inch one logical pixel is 15 twips.
struct ControlLayout {
  std::string name;
  ControlKind kind = ControlKind::kLabel;
  std::string caption;  // caption, or the initial text of a text box (UTF-8)
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::string tool_tip;
  int tab_index = -1;  // -1: none (timers)
  std::string parent;  // a frame's name, or empty for the window itself
  // Settings beyond the kind's defaults.
  int max_length = 0;  // text box: most characters it holds; 0 means no limit
  TextAlignment alignment = TextAlignment::kLeft;
  Background background = Background::kDefault;
  std::optional<FontChoice> font;  // none: the window's default font
  MouseCursor cursor = MouseCursor::kDefault;
  std::string accessible_name;         // empty: the toolkit's default (the caption)
  std::string accessible_description;  // empty: none
  int interval_ms = 0;                 // timer
  bool enabled = true;                 // timer: ticking from creation
};

struct WindowLayout {
  std::string caption;   // UTF-8
  int client_width = 0;  // twips
  int client_height = 0;
  FontChoice default_font;
  bool program_icon = true;  // shows the program's own icon
  std::vector<ControlLayout> controls;
};

// Events the toolkit delivers, one at a time on the user-interface thread.
// Names are the control names of the WindowLayout. A receiver must not let an
// exception escape into the toolkit.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void Click(std::string_view control) = 0;
  // Every change of a text box's text, by the user or by SetText.
  virtual void Change(std::string_view control) = 0;
  // Every tick of a running timer, also while a modal box of the program is
  // open, whose loop goes on running the events, and so also in the middle of
  // a handler that waits in such a box: which ticks to act on is the
  // receiver's to decide.
  virtual void Tick(std::string_view timer) = 0;
};

// An opaque native handle of a window, for desktop calls that take an owner.
using NativeWindowHandle = std::uintptr_t;

// A window made by a toolkit from a WindowLayout. Its timers run from creation;
// it is shown only by Show().
class ToolkitWindow {
 public:
  virtual ~ToolkitWindow() = default;
  // The text of a text box or the caption of a label, button or frame, UTF-8.
  // Throws std::out_of_range for an unknown name.
  virtual std::string Text(std::string_view control) const = 0;
  virtual void SetText(std::string_view control, const std::string& text) = 0;
  virtual void SetTimerEnabled(std::string_view timer, bool enabled) = 0;
  virtual bool TimerEnabled(std::string_view timer) const = 0;
  // Shows the window; the first time, puts the keyboard focus into the
  // control with the lowest tab index that takes the focus, later back where
  // it was.
  virtual void Show() = 0;
  // Takes the window off the screen at once, until Show().
  virtual void Hide() = 0;
  // A wait cursor over the whole program while busy.
  virtual void SetBusy(bool busy) = 0;
  virtual NativeWindowHandle Handle() const = 0;
};

// A small modal box that shows how far a download has come and offers
// Cancel: the title, a prompt, a progress bar with the bytes received (and the
// percentage when the length is known), and a Cancel button. The work runs on
// the user-interface thread meanwhile; the box closes when the object goes.
class ProgressBox {
 public:
  virtual ~ProgressBox() = default;
  // Shows the figures and handles the events that are waiting (painting, the
  // Cancel button), so call it often. total: the whole length when known.
  // Returns false once the user has cancelled (Cancel, Escape or closing the
  // box), true while the work may go on.
  virtual bool Update(std::uint64_t received, std::optional<std::uint64_t> total) = 0;
};

class ProgressBoxes {
 public:
  virtual ~ProgressBoxes() = default;
  // Opens a progress box at 0 bytes, modal for the whole program: while it is
  // open no other window of the program takes input, while the events that
  // Update handles (timer ticks among them) still reach WindowEvents.
  virtual std::unique_ptr<ProgressBox> OpenProgressBox(const std::string& title,
                                                       const std::string& prompt) = 0;
};

class WindowToolkit : public ProgressBoxes {
 public:
  // Creates every control of the layout; the events go to `events`, which must
  // outlive the window.
  virtual std::unique_ptr<ToolkitWindow> OpenWindow(const WindowLayout& layout,
                                                    WindowEvents& events) = 0;
  // Runs the event loop until the last window is closed; returns the exit code.
  virtual int Run() = 0;
};

}  // namespace tickerloom::platform
