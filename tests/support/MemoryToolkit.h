// The desktop held in memory, for the tests of the window's own logic: the
// controls are plain data from the layout, and the test plays the user and
// the toolkit's event loop. Message boxes are RecordingBoxes (WindowFakes.h).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/Clipboard.h"
#include "platform/WindowToolkit.h"

namespace tickerloom::testing {

class MemoryWindow final : public platform::ToolkitWindow {
 public:
  static constexpr platform::NativeWindowHandle kHandle = 0x7100;

  MemoryWindow(const platform::WindowLayout& layout, platform::WindowEvents& events)
      : events_(events) {
    for (const platform::ControlLayout& c : layout.controls) {
      controls_[c.name] = {c.kind, c.caption, c.enabled};
    }
  }

  // A click, and every tick of a running timer, as every toolkit delivers them.
  void Click(std::string_view control) {
    At(control);
    events_.Click(control);
  }
  void Tick(std::string_view timer) {
    if (At(timer).running) events_.Tick(timer);
  }

  std::string Text(std::string_view control) const override { return At(control).text; }
  void SetText(std::string_view control, const std::string& text) override {
    At(control).text = text;
    if (At(control).kind == platform::ControlKind::kTextBox) events_.Change(control);
  }
  void SetTimerEnabled(std::string_view timer, bool enabled) override {
    At(timer).running = enabled;
  }
  bool TimerEnabled(std::string_view timer) const override { return At(timer).running; }
  void Show() override { shown = true; }
  void Hide() override { shown = false; }
  void SetBusy(bool busy) override { busy_count += busy ? 1 : -1; }
  platform::NativeWindowHandle Handle() const override { return kHandle; }

  bool shown = false;
  int busy_count = 0;  // the wait cursor shows while above 0

 private:
  struct Control {
    platform::ControlKind kind;
    std::string text;
    bool running;  // a timer
  };
  Control& At(std::string_view name) const {
    const auto found = controls_.find(name);
    if (found == controls_.end()) throw std::out_of_range("No control named " + std::string(name));
    return found->second;
  }

  platform::WindowEvents& events_;
  mutable std::map<std::string, Control, std::less<>> controls_;
};

// Makes MemoryWindows, and progress boxes that note their title and updates.
// At every Update a box runs `while_progress`, as a toolkit's box runs the
// events that wait; once that has returned false, the user has cancelled.
class MemoryToolkit final : public platform::WindowToolkit {
 public:
  struct Progress {
    std::string title;
    int updates = 0;
    bool open = true;
  };

  std::unique_ptr<platform::ToolkitWindow> OpenWindow(const platform::WindowLayout& layout,
                                                      platform::WindowEvents& events) override {
    auto made = std::make_unique<MemoryWindow>(layout, events);
    window = made.get();
    return made;
  }
  int Run() override { return 0; }
  std::unique_ptr<platform::ProgressBox> OpenProgressBox(const std::string& title,
                                                         const std::string&) override {
    return std::make_unique<Box>(progress.emplace_back(Progress{title}), while_progress);
  }

  MemoryWindow* window = nullptr;  // the one opened last
  std::deque<Progress> progress;
  std::function<bool()> while_progress;

 private:
  struct Box final : platform::ProgressBox {
    Box(Progress& noted, const std::function<bool()>& meanwhile)
        : noted(noted), meanwhile(meanwhile) {}
    ~Box() override { noted.open = false; }
    Box(const Box&) = delete;
    Box& operator=(const Box&) = delete;
    bool Update(std::uint64_t, std::optional<std::uint64_t>) override {
      ++noted.updates;
      cancelled = cancelled || (meanwhile && !meanwhile());
      return !cancelled;
    }
    Progress& noted;
    const std::function<bool()>& meanwhile;
    bool cancelled = false;
  };
};

// The clipboard as a string; a forgetful one loses what it is given.
class MemoryClipboard final : public platform::Clipboard {
 public:
  void Clear() override { text.clear(); }
  void SetText(const std::string& given) override { text = forgetful ? text : given; }
  std::string Text() override { return text; }
  std::string text;
  bool forgetful = false;
};

}  // namespace tickerloom::testing
