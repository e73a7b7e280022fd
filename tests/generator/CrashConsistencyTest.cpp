// Kills a generation at every step of its file operations in turn and checks
// that autoexec.rul is always either wholly old or wholly new.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "generator/ScriptFormat.h"
#include "generator/ScriptGenerator.h"
#include "platform/posix/PosixFileSystem.h"
#include "tests/support/FakeForm.h"
#include "tests/support/TempFolder.h"

namespace tickerloom::generator {
namespace {

using testing::FakeForm;
using testing::ReadBytes;
using testing::WriteBytes;

const FakeForm kForm("a", "1", "s", "2");

std::string OldContents() {
  std::string old_contents = AdvertLine() + "\r\n\r\n";
  for (int line = 0; line < 100; ++line) old_contents += "Bind F7 \"execrul other-1.rul\"\r\n";
  return old_contents;
}

struct StoppedRun {
  bool killed = false;  // else it ran to its end
  int exit_code = -1;   // when it ran to its end
  std::string step;     // the step it was killed before
};

// Runs one generation in a child whose file layer kills it with SIGKILL just
// before its step number `kill_at` (counting from 1).
StoppedRun GenerateKilledAtStep(int kill_at) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipe_fds[0]);
    int steps = 0;
    platform::PosixFileSystem files([&](std::string_view step) {
      if (++steps < kill_at) return;
      ssize_t ignored = ::write(pipe_fds[1], step.data(), step.size());
      (void)ignored;
      ::raise(SIGKILL);
    });
    FakeForm form = kForm;
    try {
      GenerateScrollScript(form, files);
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  StoppedRun run;
  char buffer[256];
  ssize_t got;
  while ((got = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0) {
    run.step.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  if (WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  return run;
}

TEST(CrashConsistency, AKillAtEveryStepLeavesTheOldOrTheNewFile) {
  testing::TempFolder folder;
  const std::string old_contents = OldContents();
  const std::string new_contents = old_contents + "\r\nBind F2 \"execrul s-1.rul\"\r\n";

  std::vector<std::string> steps;
  bool renamed = false;
  for (int kill_at = 1;; ++kill_at) {
    SCOPED_TRACE(::testing::Message() << "killed before step " << kill_at);
    WriteBytes("autoexec.rul", old_contents);
    const StoppedRun run = GenerateKilledAtStep(kill_at);
    if (!run.killed) {
      EXPECT_EQ(run.exit_code, 0);
      EXPECT_EQ(ReadBytes("autoexec.rul"), new_contents);
      break;
    }
    steps.push_back(run.step);
    // Killed before the rename: still the old file; after it: the new one.
    EXPECT_EQ(ReadBytes("autoexec.rul"), renamed ? new_contents : old_contents) << run.step;
    if (run.step == "replace") renamed = true;

    // The next successful run clears what the killed one left behind.
    WriteBytes("autoexec.rul", old_contents);
    platform::PosixFileSystem files;
    FakeForm form = kForm;
    GenerateScrollScript(form, files);
    EXPECT_EQ(ReadBytes("autoexec.rul"), new_contents);
    EXPECT_EQ(testing::ListFolder("."), "autoexec.rul s-1.rul");
  }
  // Every step of a generation was hit, the rewrite's steps in this order.
  EXPECT_EQ(steps, (std::vector<std::string>{
                       "create", "write", "close",  // s-1.rul
                       "lock", "create a temporary file", "write", "set the owner of",
                       "set the permissions of", "flush to disk", "close", "replace",
                       "remove orphaned temporary files", "flush the folder"}));
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
  const std::string new_contents = old_contents + "\r\nBind F2 \"execrul s-1.rul\"\r\n";
  const auto start_generation = [] {
    const pid_t pid = ::fork();
    if (pid == 0) {
      platform::PosixFileSystem files;
      FakeForm form = kForm;
      try {
        GenerateScrollScript(form, files);
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    return pid;
  };

  // How long one whole run takes here, to spread the kills across it.
  WriteBytes("autoexec.rul", old_contents);
  const auto started = std::chrono::steady_clock::now();
  int status = 0;
  ::waitpid(start_generation(), &status, 0);
  const auto run_time = std::chrono::steady_clock::now() - started;
  ASSERT_EQ(ReadBytes("autoexec.rul"), new_contents);
  const auto longest_delay =
      std::chrono::duration_cast<std::chrono::microseconds>(run_time * 3 / 2).count();

  std::mt19937 random(12345);
  std::uniform_int_distribution<long> delay(0, longest_delay);
  int kept_old = 0, became_new = 0, interrupted_mid_write = 0;
  for (int trial = 0; trial < trials; ++trial) {
    WriteBytes("autoexec.rul", old_contents);
    const pid_t child = start_generation();
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
