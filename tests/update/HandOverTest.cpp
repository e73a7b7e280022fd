#include "update/HandOver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/PosixFileSystem.h"
#include "tests/support/TempFolder.h"
#include "tests/update/support/Fakes.h"

namespace tickerloom::update {
namespace {

using platform::MessageAnswer;
using testing::ListFolder;
using testing::ProgramEnded;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

class HandOverTest : public ::testing::Test {
 protected:
  // Puts the two executables into the folder, each holding its own name.
  void Arrange(const std::string& running_name, bool plain, bool fresh) {
    process_.running_name = running_name;
    if (plain) WriteBytes(folder_ + "Quorvane.exe", "old");
    if (fresh) WriteBytes(folder_ + "NewQuorvane.exe", "new");
  }
  // Runs a tick; true when it ended the program.
  bool Ends(void (HandOver::*tick)(const std::string&)) {
    try {
      (hand_over_.*tick)(folder_);
      return false;
    } catch (const ProgramEnded&) {
      return true;
    }
  }

  TempFolder temp_;
  const std::string folder_ = temp_.Path() + "/";
  platform::PosixFileSystem files_;
  testing::FakeMessageBoxes boxes_;
  testing::FakeProcess process_;
  testing::FakeTimers timers_;
  HandOverState state_;
  // The window's shows (true) and hides (false), in order.
  std::vector<bool> shown_;
  ShowWindow show_ = [this](bool shown) { shown_.push_back(shown); };
  HandOver hand_over_{"Quorvane.exe", files_, boxes_, process_, timers_, show_, state_};
};

struct Row {
  const char* running_name;
  bool plain;
  bool fresh;
  bool starts_and_ends;
  const char* files_after;  // and what Quorvane.exe holds after, if present
  const char* plain_holds;
  bool fold_case = false;  // file names ignore case, as on Windows
};

TEST_F(HandOverTest, Timer2ActsByRunningNameAndFilesThenSwitchesItselfOff) {
  const Row rows[] = {
      {"Quorvane.exe", true, false, false, "Quorvane.exe", "old"},
      {"Quorvane.exe", true, true, true, "NewQuorvane.exe Quorvane.exe", "old"},
      {"Quorvane.exe", false, true, true, "NewQuorvane.exe", nullptr},
      {"NewQuorvane.exe", true, true, false, "Quorvane.exe", "new"},
      {"NewQuorvane.exe", false, true, false, "Quorvane.exe", "new"},
      // Another copy of the new program has handed over already.
      {"NewQuorvane.exe", true, false, false, "Quorvane.exe", "old"},
      {"quorvane.exe", true, true, false, "NewQuorvane.exe Quorvane.exe", "old"},
      {"NEWQUORVANE.exe", true, true, false, "NewQuorvane.exe Quorvane.exe", "old"},
      {"quorvane.exe", true, true, true, "NewQuorvane.exe Quorvane.exe", "old", true},
      {"NEWQUORVANE.exe", true, true, false, "Quorvane.exe", "new", true},
      {"Copy.exe", true, true, false, "NewQuorvane.exe Quorvane.exe", "old"},
      {"Copy.exe", false, false, false, "", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.running_name) + (row.plain ? " plain" : "") +
                 (row.fresh ? " new" : ""));
    std::filesystem::remove(folder_ + "Quorvane.exe");
    std::filesystem::remove(folder_ + "NewQuorvane.exe");
    process_.started.clear();
    timers_ = {};
    Arrange(row.running_name, row.plain, row.fresh);
    process_.fold_case = row.fold_case;

    shown_.clear();
    EXPECT_EQ(Ends(&HandOver::Timer2Tick), row.starts_and_ends);
    // The program ends with its window hidden while the new one is watched.
    EXPECT_EQ(shown_, row.starts_and_ends ? std::vector<bool>{false} : std::vector<bool>{});
    if (row.starts_and_ends) {
      EXPECT_EQ(process_.started, std::vector<std::string>{folder_ + "NewQuorvane.exe"});
      EXPECT_EQ(timers_.timer2_switched_off, 0);
    } else {
      EXPECT_TRUE(process_.started.empty());
      EXPECT_EQ(timers_.timer2_switched_off, 1);
    }
    EXPECT_EQ(ListFolder(folder_), row.files_after);
    if (row.plain_holds) {
      EXPECT_EQ(ReadBytes(folder_ + "Quorvane.exe"), row.plain_holds);
    }
    EXPECT_TRUE(boxes_.shown.empty()) << "Timer2 never shows a message";
  }
}

TEST_F(HandOverTest, Timer1StartsTheNewProgramOnlyFromQuorvaneExeAfterTheMessage) {
  const Row rows[] = {
      {"Quorvane.exe", true, false, false, "Quorvane.exe", "old"},
      {"Quorvane.exe", true, true, true, "NewQuorvane.exe Quorvane.exe", "old"},
      {"NewQuorvane.exe", true, true, false, "NewQuorvane.exe Quorvane.exe", "old"},
      {"NewQuorvane.exe", false, true, false, "NewQuorvane.exe", nullptr},
      {"QuorVane.exe", true, true, false, "NewQuorvane.exe Quorvane.exe", "old"},
      {"QuorVane.exe", true, true, true, "NewQuorvane.exe Quorvane.exe", "old", true},
      {"Copy.exe", true, true, false, "NewQuorvane.exe Quorvane.exe", "old"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.running_name) + (row.plain ? " plain" : "") +
                 (row.fresh ? " new" : ""));
    std::filesystem::remove(folder_ + "Quorvane.exe");
    std::filesystem::remove(folder_ + "NewQuorvane.exe");
    process_.started.clear();
    boxes_.shown.clear();
    Arrange(row.running_name, row.plain, row.fresh);
    process_.fold_case = row.fold_case;
    // The program is started only once OK has been pressed.
    boxes_.while_open = [this] { EXPECT_TRUE(process_.started.empty()); };
    if (row.starts_and_ends) boxes_.answers = {MessageAnswer::kOk};

    EXPECT_EQ(Ends(&HandOver::Timer1Tick), row.starts_and_ends);
    if (row.starts_and_ends) {
      ASSERT_EQ(boxes_.shown.size(), 1u);
      EXPECT_EQ(boxes_.shown[0].prompt, "Download Of Update Completed");
      EXPECT_EQ(boxes_.shown[0].title, "Update");
      EXPECT_EQ(boxes_.shown[0].buttons, platform::MessageButtons::kOk);
      EXPECT_EQ(boxes_.shown[0].icon, platform::MessageIcon::kInformation);
      EXPECT_EQ(process_.started, std::vector<std::string>{folder_ + "NewQuorvane.exe"});
    } else {
      EXPECT_TRUE(boxes_.shown.empty());
      EXPECT_TRUE(process_.started.empty());
    }
    EXPECT_EQ(ListFolder(folder_), row.files_after);
    EXPECT_EQ(timers_.timer2_switched_off, 0);
  }
}

// Another copy of the new program renames NewQuorvane.exe away just before
// this one does: no failure, nothing more to do.
TEST_F(HandOverTest, RenameLostToAnotherNewProgramIsNoFailure) {
  struct RacingFileSystem final : platform::PosixFileSystem {
    void RenameFile(const std::string& from, const std::string& to) override {
      std::filesystem::rename(from, to);
      PosixFileSystem::RenameFile(from, to);
    }
  } files;
  Arrange("NewQuorvane.exe", true, true);
  HandOver("Quorvane.exe", files, boxes_, process_, timers_, show_, state_).Timer2Tick(folder_);
  EXPECT_EQ(ListFolder(folder_), "Quorvane.exe");
  EXPECT_EQ(ReadBytes(folder_ + "Quorvane.exe"), "new");
  EXPECT_EQ(timers_.timer2_switched_off, 1);
}

// The file layer with a rename that fails its first `failures` times with the
// cause given (as Windows fails while the old program still holds its file).
class FailingRenames final : public platform::PosixFileSystem {
 public:
  FailingRenames(int failures, platform::FileError::Cause cause)
      : failures_(failures), cause_(cause) {}
  void RenameFile(const std::string& from, const std::string& to) override {
    ++attempts;
    if (attempts <= failures_) {
      throw platform::FileError("rename", from, 5, "Access is denied.", cause_);
    }
    PosixFileSystem::RenameFile(from, to);
  }
  int attempts = 0;

 private:
  int failures_;
  platform::FileError::Cause cause_;
};

// While the plain executable is in use, each Timer2 tick tries the rename
// again and leaves Timer2 on, for kInUseRetryTicks more ticks; then, or at
// once for any other failure, the failure is told once, Timer2 goes off and
// both files stay for the next start. The folder never lacks Quorvane.exe.
TEST_F(HandOverTest, RenameInUseIsTriedOnLaterTicksThenToldOnce) {
  using Cause = platform::FileError::Cause;
  const struct {
    int failures;
    Cause cause;
    int ticks_until_off;  // Timer2 ticks until it is off
    bool told;
    const char* plain_holds;
  } cases[] = {
      {0, Cause::kInUse, 1, false, "new"},
      {1, Cause::kInUse, 2, false, "new"},
      {kInUseRetryTicks, Cause::kInUse, kInUseRetryTicks + 1, false, "new"},
      {kInUseRetryTicks + 1, Cause::kInUse, kInUseRetryTicks + 1, true, "old"},
      {1000, Cause::kInUse, kInUseRetryTicks + 1, true, "old"},
      {1, Cause::kOther, 1, true, "old"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.failures) + (c.cause == Cause::kInUse ? " in use" : " other"));
    state_ = {};
    timers_ = {};
    boxes_.shown.clear();
    Arrange("NewQuorvane.exe", true, true);
    FailingRenames files(c.failures, c.cause);
    boxes_.answers = {MessageAnswer::kOk};
    HandOver hand_over("Quorvane.exe", files, boxes_, process_, timers_, show_, state_);
    int ticks = 0;
    while (timers_.timer2_switched_off == 0 && ticks < 100) {
      hand_over.Timer2Tick(folder_);
      ++ticks;
      EXPECT_EQ(ReadBytes(folder_ + "Quorvane.exe"),
                ticks < c.ticks_until_off ? "old" : c.plain_holds);
    }
    EXPECT_EQ(ticks, c.ticks_until_off);
    EXPECT_EQ(files.attempts, c.ticks_until_off);
    ASSERT_EQ(boxes_.shown.size(), c.told ? 1u : 0u);
    if (c.told) {
      const std::string& prompt = boxes_.shown[0].prompt;
      EXPECT_EQ(boxes_.shown[0].title, "Update");
      EXPECT_NE(prompt.find("could not take the old one's place"), std::string::npos) << prompt;
      EXPECT_EQ(prompt.find("still in use") != std::string::npos, c.cause == Cause::kInUse)
          << prompt;
      EXPECT_NE(prompt.find("Access is denied."), std::string::npos) << prompt;
      EXPECT_EQ(ListFolder(folder_), "NewQuorvane.exe Quorvane.exe");
    } else {
      EXPECT_EQ(ListFolder(folder_), "Quorvane.exe");
    }
    // Nothing more happens on later ticks of Timer1.
    for (int tick = 0; tick < 3; ++tick) hand_over.Timer1Tick(folder_);
    EXPECT_EQ(boxes_.shown.size(), c.told ? 1u : 0u);
  }
}

// A rename the OS refuses for good is told once, with the OS's text; Timer2
// goes off, so that no box follows on later ticks.
TEST_F(HandOverTest, FailedRenameIsToldOnceAndTimer2GoesOff) {
  // A folder in the place of Quorvane.exe: the OS refuses the rename.
  Arrange("NewQuorvane.exe", false, true);
  std::filesystem::create_directory(folder_ + "Quorvane.exe");
  WriteBytes(folder_ + "Quorvane.exe/inside", "x");
  boxes_.answers = {MessageAnswer::kOk};
  hand_over_.Timer2Tick(folder_);
  EXPECT_EQ(timers_.timer2_switched_off, 1);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_NE(boxes_.shown[0].prompt.find("Cannot rename \"" + folder_ + "NewQuorvane.exe\""),
            std::string::npos)
      << boxes_.shown[0].prompt;
  EXPECT_EQ(ReadBytes(folder_ + "NewQuorvane.exe"), "new");
}

// A new program that cannot be started, or that ends while it is watched, is
// told once, in one box with the OS's text or its exit status; the window
// shows again, the new program is removed, and nothing is tried again in this
// run (by Timer1 or by Timer2). A start that fails because another copy has
// handed over already is not told.
TEST_F(HandOverTest, FailedStartIsToldOnceRemovedAndNotTriedAgain) {
  const struct {
    void (HandOver::*first_tick)(const std::string&);
    bool start_fails;
    const char* ends;
    bool new_executable_vanishes;
    std::size_t boxes;
    const char* why;
  } cases[] = {
      {&HandOver::Timer1Tick, true, nullptr, false, 2, "Cannot start {}: test failure"},
      {&HandOver::Timer2Tick, true, nullptr, false, 1, "Cannot start {}: test failure"},
      {&HandOver::Timer1Tick, true, nullptr, true, 1, nullptr},
      {&HandOver::Timer2Tick, false, "ended with status 127", false, 1,
       "{} ended with status 127."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.boxes);
    state_ = {};
    boxes_.shown.clear();
    shown_.clear();
    Arrange("Quorvane.exe", true, true);
    process_.start_fails = c.start_fails;
    process_.ends = c.ends != nullptr ? std::optional<std::string>(c.ends) : std::nullopt;
    boxes_.answers = {MessageAnswer::kOk, MessageAnswer::kOk};
    boxes_.while_open = [&] {
      if (c.new_executable_vanishes) std::filesystem::remove(folder_ + "NewQuorvane.exe");
    };
    EXPECT_FALSE(Ends(c.first_tick));
    EXPECT_EQ(shown_, (std::vector<bool>{false, true}));
    EXPECT_EQ(ListFolder(folder_), "Quorvane.exe");
    for (int tick = 0; tick < 3; ++tick) {
      EXPECT_FALSE(Ends(&HandOver::Timer1Tick));
      EXPECT_FALSE(Ends(&HandOver::Timer2Tick));
    }
    ASSERT_EQ(boxes_.shown.size(), c.boxes);
    if (c.why != nullptr) {
      std::string why = c.why;
      why.replace(why.find("{}"), 2, folder_ + "NewQuorvane.exe");
      EXPECT_EQ(boxes_.shown.back().title, "Update");
      EXPECT_EQ(boxes_.shown.back().prompt,
                "The new version could not be started:\r\n" + why +
                    "\r\nIt was removed and can be downloaded again.\r\n"
                    "This version goes on running.");
    }
  }
}

}  // namespace
}  // namespace tickerloom::update
