// Kills a generation at every step of its file operations in turn and checks
// that autoexec.rul is always either wholly old or wholly new.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "generator/ScriptFormat.h"
#include "generator/ScriptGenerator.h"
#include "platform/posix/PosixFileSystem.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FakeForm.h"
#include "tests/support/FileFaults.h"
#include "tests/support/TempFolder.h"

namespace tickerloom::generator {
namespace {

using testing::FakeForm;
using testing::ReadBytes;
using testing::WriteBytes;

const FakeForm kForm("a", "1", "s", "2");
const std::string kNewLine = "\r\nBind F2 \"execrul s-1.rul\"\r\n";

// Runs one generation in a child whose file primitives call at_step before
// each of their steps; the child's exit code, -1 when it was killed.
int GenerateInAChild(const std::function<void()>& at_step, std::string* steps_seen = nullptr) {
  const auto result = testing::RunInChild([&](std::string& message) {
    platform::FileLayer files(
        testing::Around(platform::PosixFilePrimitives(),
                        [&](std::string_view step, const std::function<platform::Status()>& call) {
                          message.append(step).append("\n");
                          at_step();
                          return call();
                        }));
    FakeForm form = kForm;
    GenerateScrollScript(form, files);
    return 0;
  });
  if (steps_seen != nullptr) *steps_seen = result.message;
  return result.exit_code;
}

TEST(CrashConsistency, AKillAtEveryStepLeavesTheOldOrTheNewFile) {
  testing::TempFolder folder;
  std::string old_contents = AdvertLine() + "\r\n\r\n";
  for (int line = 0; line < 100; ++line) old_contents += "Bind F7 \"execrul other-1.rul\"\r\n";

  // The steps of one whole run. Between the temporary file's creation and
  // its rename, it gets its bytes and the old file's owner and mode, and is
  // flushed to disk and closed.
  WriteBytes("autoexec.rul", old_contents);
  std::string listed;
  ASSERT_EQ(GenerateInAChild([] {}, &listed), 0);
  std::vector<std::string> steps;
  std::istringstream lines(listed);
  for (std::string step; std::getline(lines, step);) steps.push_back(step);
  const platform::FilePrimitives& os = platform::PosixFilePrimitives();
  const auto created = std::find(steps.begin(), steps.end(), os.create_new.name);
  const auto renamed = std::find(created, steps.end(), os.rename.name);
  ASSERT_NE(renamed, steps.end()) << listed;
  for (const std::string_view step :
       {os.write.name, os.set_owner.name, os.set_mode.name, os.flush.name, os.close.name}) {
    EXPECT_NE(std::find(created, renamed, step), renamed) << step << " in " << listed;
  }
  EXPECT_EQ(std::count(steps.begin(), steps.end(), os.rename.name), 1) << listed;
  const auto replace = renamed - steps.begin();

  for (std::size_t kill_at = 0; kill_at < steps.size(); ++kill_at) {
    SCOPED_TRACE(::testing::Message()
                 << "killed before step " << kill_at + 1 << ", " << steps[kill_at]);
    WriteBytes("autoexec.rul", old_contents);
    std::size_t step = 0;
    EXPECT_EQ(GenerateInAChild([&] {
                if (step++ == kill_at) ::raise(SIGKILL);
              }),
              -1);
    // Killed before the rename: the old file byte for byte; after it: the new one.
    const bool renamed = static_cast<std::ptrdiff_t>(kill_at) > replace;
    EXPECT_EQ(ReadBytes("autoexec.rul"), old_contents + (renamed ? kNewLine : ""));

    // The next successful run clears what the killed one left behind.
    WriteBytes("autoexec.rul", old_contents);
    platform::PosixFileSystem files;
    FakeForm form = kForm;
    GenerateScrollScript(form, files);
    EXPECT_EQ(ReadBytes("autoexec.rul"), old_contents + kNewLine);
    EXPECT_EQ(testing::ListFolder("."), "autoexec.rul s-1.rul");
  }
}

// A long run with kills at random moments, for a machine that has the time:
// TICKERLOOM_CRASH_TRIALS=500. It tells where the kills landed and asserts
// only that autoexec.rul is always whole.
TEST(CrashConsistency, RandomKillsLeaveTheOldOrTheNewFile) {
  const char* configured = std::getenv("TICKERLOOM_CRASH_TRIALS");
  if (configured == nullptr) GTEST_SKIP() << "set TICKERLOOM_CRASH_TRIALS to run it";
  const int trials = std::atoi(configured);
  testing::TempFolder folder;
  std::string old_contents = AdvertLine() + "\r\n\r\n";
  while (old_contents.size() < (4u << 20)) old_contents += "Bind F7 \"execrul other-1.rul\"\r\n";
  const std::string new_contents = old_contents + kNewLine;

  // How long one whole run takes here, to spread the kills across it.
  WriteBytes("autoexec.rul", old_contents);
  const auto started = std::chrono::steady_clock::now();
  int status = 0;
  ::waitpid(testing::StartGenerating(kForm), &status, 0);
  const auto run_time = std::chrono::steady_clock::now() - started;
  ASSERT_EQ(ReadBytes("autoexec.rul"), new_contents);
  const auto longest_delay =
      std::chrono::duration_cast<std::chrono::microseconds>(run_time * 3 / 2).count();

  std::mt19937 random(12345);
  std::uniform_int_distribution<long> delay(0, longest_delay);
  int kept_old = 0, became_new = 0, interrupted_mid_write = 0;
  for (int trial = 0; trial < trials; ++trial) {
    WriteBytes("autoexec.rul", old_contents);
    const pid_t child = testing::StartGenerating(kForm);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    if (testing::ListFolder(".").find(".tmp-") != std::string::npos) ++interrupted_mid_write;
    const std::string after = ReadBytes("autoexec.rul");
    if (after == old_contents) {
      ++kept_old;
    } else if (after == new_contents) {
      ++became_new;
    } else {
      FAIL() << "trial " << trial << ": autoexec.rul is neither old nor new (" << after.size()
             << " bytes)";
    }
  }
  std::cout << trials << " kills: " << kept_old << " left the old file, " << became_new
            << " the new one; " << interrupted_mid_write << " hit the rewrite itself\n";

  WriteBytes("autoexec.rul", old_contents);
  platform::PosixFileSystem files;
  FakeForm form = kForm;
  GenerateScrollScript(form, files);
  EXPECT_EQ(ReadBytes("autoexec.rul"), new_contents);
  EXPECT_EQ(testing::ListFolder("."), "autoexec.rul s-1.rul");
}

}  // namespace
}  // namespace tickerloom::generator
