// Stand-ins for the window's services in the update tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "platform/WindowToolkit.h"
#include "update/Update.h"

namespace tickerloom::testing {

// Records every box and answers from a queue; a box nobody expected fails the test.
class FakeMessageBoxes : public platform::MessageBoxes {
 public:
  std::vector<platform::Message> shown;
  std::deque<platform::MessageAnswer> answers;
  // Runs while the box is "open", as a toolkit's nested event loop would.
  std::function<void()> while_open;

  platform::MessageAnswer Show(const platform::Message& message) override {
    shown.push_back(message);
    if (while_open) while_open();
    if (answers.empty()) throw std::logic_error("unexpected message box: " + message.prompt);
    const platform::MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

// Records every progress box and the figures it was given; on_update, told
// the box's update count, answers whether to go on (and may throw).
class FakeProgressBoxes : public platform::ProgressBoxes {
 public:
  struct Opened {
    std::string title, prompt;
    std::vector<std::pair<std::uint64_t, std::optional<std::uint64_t>>> updates;
    bool open = true;
  };
  std::vector<Opened> opened;
  std::function<bool(int update)> on_update;

  std::unique_ptr<platform::ProgressBox> OpenProgressBox(const std::string& title,
                                                         const std::string& prompt) override {
    opened.push_back({title, prompt, {}, true});
    return std::make_unique<Box>(*this, opened.size() - 1);
  }
  bool AnyOpen() const {
    return std::any_of(opened.begin(), opened.end(), [](const Opened& box) { return box.open; });
  }

 private:
  struct Box final : platform::ProgressBox {
    Box(FakeProgressBoxes& boxes, std::size_t index) : boxes(boxes), index(index) {}
    ~Box() override { boxes.opened[index].open = false; }
    bool Update(std::uint64_t received, std::optional<std::uint64_t> total) override {
      auto& updates = boxes.opened[index].updates;
      updates.emplace_back(received, total);
      return !boxes.on_update || boxes.on_update(static_cast<int>(updates.size()));
    }
    FakeProgressBoxes& boxes;
    std::size_t index;
  };
};

// Counts the switches of the timers it stands for.
struct FakeTimers {
  int timer1_switched_on = 0;
  int timer2_switched_off = 0;
  operator update::UpdateTimers() {  // NOLINT(google-explicit-constructor): a stand-in
    return {[this] { ++timer1_switched_on; }, [this] { ++timer2_switched_off; }};
  }
};

// Thrown by FakeProcess::ExitNow in place of ending the test process.
struct ProgramEnded {};

class FakeProcess : public platform::Process {
 public:
  std::string folder;
  std::string running_name;
  std::vector<std::string> started;
  bool start_fails = false;
  // How a started program ends while it is watched; nothing: it runs.
  std::optional<std::string> ends;
  bool fold_case = false;

  std::string ProgramFolder() override { return folder; }
  std::string RunningName() override { return running_name; }
  std::unique_ptr<platform::StartedProgram> StartProgram(const std::string& path) override {
    if (start_fails) throw std::runtime_error("Cannot start " + path + ": test failure");
    started.push_back(path);
    struct Watched final : platform::StartedProgram {
      explicit Watched(std::optional<std::string> ending) : ending_(std::move(ending)) {}
      std::optional<std::string> EndedWithin(std::chrono::milliseconds) override { return ending_; }
      std::optional<std::string> ending_;
    };
    return std::make_unique<Watched>(ends);
  }
  [[noreturn]] void ExitNow() override { throw ProgramEnded{}; }
  bool FileNamesFoldCase() override { return fold_case; }
  std::string WorkingFolder() override { return "/games/nox"; }
  bool CanStartElevated() override { return can_elevate; }
  bool StartElevated(const std::string& working, const std::vector<std::string>&) override {
    elevated_in.push_back(working);
    return true;
  }
  bool can_elevate = false;
  std::vector<std::string> elevated_in;
};

}  // namespace tickerloom::testing
