#include "update/HandOver.h"

#include <gtest/gtest.h>

#include <filesystem>
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
  HandOver hand_over_{"Quorvane.exe", files_, boxes_, process_, timers_};
};

struct Row {
  const char* running_name;
  bool plain;
  bool fresh;
  bool starts_and_ends;
  const char* files_after;  // and what Quorvane.exe holds after, if present
  const char* plain_holds;
};

TEST_F(HandOverTest, Timer2ActsByRunningNameAndFilesThenSwitchesItselfOff) {
  const Row rows[] = {
      {"Quorvane.exe", true, false, false, "Quorvane.exe", "old"},
      {"Quorvane.exe", true, true, true, "NewQuorvane.exe Quorvane.exe", "old"},
      {"Quorvane.exe", false, true, true, "NewQuorvane.exe", nullptr},
      {"NewQuorvane.exe", true, true, false, "Quorvane.exe", "new"},
      {"NewQuorvane.exe", false, true, false, "Quorvane.exe", "new"},
      {"quorvane.exe", true, true, false, "NewQuorvane.exe Quorvane.exe", "old"},
      {"NEWQUORVANE.exe", true, true, false, "NewQuorvane.exe Quorvane.exe", "old"},
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

    EXPECT_EQ(Ends(&HandOver::Timer2Tick), row.starts_and_ends);
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

TEST_F(HandOverTest, FailuresStopTheTickAndLeaveTimer2On) {
  // A folder in the place of Quorvane.exe: not a file, so case C tries the
  // rename, which the OS refuses.
  Arrange("NewQuorvane.exe", false, true);
  std::filesystem::create_directory(folder_ + "Quorvane.exe");
  WriteBytes(folder_ + "Quorvane.exe/inside", "x");
  EXPECT_THROW(hand_over_.Timer2Tick(folder_), platform::FileError);
  EXPECT_EQ(timers_.timer2_switched_off, 0);
  EXPECT_EQ(ReadBytes(folder_ + "NewQuorvane.exe"), "new");

  // A start that fails does not end the program.
  std::filesystem::remove_all(folder_ + "Quorvane.exe");
  Arrange("Quorvane.exe", true, true);
  process_.start_fails = true;
  EXPECT_THROW(hand_over_.Timer2Tick(folder_), std::runtime_error);
  boxes_.answers = {MessageAnswer::kOk};
  EXPECT_THROW(hand_over_.Timer1Tick(folder_), std::runtime_error);
  EXPECT_EQ(timers_.timer2_switched_off, 0);
  EXPECT_EQ(ListFolder(folder_), "NewQuorvane.exe Quorvane.exe");
}

}  // namespace
}  // namespace tickerloom::update
