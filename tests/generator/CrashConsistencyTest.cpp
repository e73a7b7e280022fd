// Kills a generation at many moments during the rewrite of autoexec.rul and
// checks that the file is always either wholly old or wholly new.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

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

int TrialCount() {
  const char* configured = std::getenv("TICKERLOOM_CRASH_TRIALS");
  return configured != nullptr ? std::atoi(configured) : 60;
}

pid_t StartGeneration() {
  const pid_t pid = ::fork();
  if (pid == 0) {
    platform::PosixFileSystem files;
    FakeForm form("a", "1", "s", "2");
    try {
      GenerateScrollScript(form, files);
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  return pid;
}

TEST(CrashConsistency, AKilledRewriteLeavesTheOldOrTheNewFile) {
  testing::TempFolder folder;
  std::string old_contents = AdvertLine() + "\r\n\r\n";
  while (old_contents.size() < (4u << 20)) old_contents += "Bind F7 \"execrul other-1.rul\"\r\n";
  const std::string new_contents = old_contents + "\r\nBind F2 \"execrul s-1.rul\"\r\n";

  // How long one whole run takes here, to spread the kills across it.
  WriteBytes("autoexec.rul", old_contents);
  const auto started = std::chrono::steady_clock::now();
  int status = 0;
  ::waitpid(StartGeneration(), &status, 0);
  const auto run_time = std::chrono::steady_clock::now() - started;
  ASSERT_EQ(ReadBytes("autoexec.rul"), new_contents);
  const auto longest_delay =
      std::chrono::duration_cast<std::chrono::microseconds>(run_time * 3 / 2).count();

  std::mt19937 random(12345);
  std::uniform_int_distribution<long> delay(0, longest_delay);
  int kept_old = 0, became_new = 0, interrupted_mid_write = 0;
  const int trials = TrialCount();
  for (int trial = 0; trial < trials; ++trial) {
    WriteBytes("autoexec.rul", old_contents);
    const pid_t child = StartGeneration();
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
  EXPECT_GT(kept_old, 0);
  EXPECT_GT(interrupted_mid_write, 0);

  // The next successful run clears what the killed ones left behind.
  WriteBytes("autoexec.rul", old_contents);
  platform::PosixFileSystem files;
  FakeForm form("a", "1", "s", "2");
  GenerateScrollScript(form, files);
  EXPECT_EQ(ReadBytes("autoexec.rul"), new_contents);
  EXPECT_EQ(testing::ListFolder("."), "autoexec.rul s-1.rul");
}

}  // namespace
}  // namespace tickerloom::generator
