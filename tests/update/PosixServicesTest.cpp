#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "platform/FileSystem.h"
#include "platform/posix/PosixProcess.h"
#include "platform/posix/PosixUpdateFiles.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"
#include "tests/update/support/UpdateFilesCases.h"

namespace tickerloom::platform {
namespace {

using testing::ListFolder;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

// Waits (briefly, polling) for a file that a started program writes.
bool AppearsSoon(const std::string& path) {
  for (int i = 0; i < 6000; ++i) {
    if (std::filesystem::exists(path) && std::filesystem::file_size(path) > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(PosixProcess, RunningNameIsTheStartNameWithoutFolderAndExtensionPlusExe) {
  const struct {
    const char* argv0;
    const char* name;
  } cases[] = {
      {"/opt/nox/Quorvane.exe", "Quorvane.exe"},
      {"./NewQuorvane.exe", "NewQuorvane.exe"},
      {"Quorvane", "Quorvane.exe"},
      {"/a.b/Quorvane.bin", "Quorvane.exe"},
      {"quorvane.EXE", "quorvane.exe"},
      {"/x/Quorvane.exe.old", "Quorvane.exe.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(PosixProcess::RunningNameOf(c.argv0), c.name) << c.argv0;
}

TEST(PosixProcess, NamesComeFromTheStartAndTheRealExecutable) {
  PosixProcess process("/somewhere/else/Copy.bin");
  EXPECT_EQ(process.RunningName(), "Copy.exe");
  const std::string own = std::filesystem::read_symlink("/proc/self/exe").string();
  EXPECT_EQ(process.ProgramFolder(), own.substr(0, own.rfind('/') + 1));
}

TEST(PosixProcess, StartsAnIndependentProgramInItsOwnSession) {
  TempFolder temp;
  const std::string script = temp.Path() + "/started.sh";
  WriteBytes(script,
             "#!/bin/sh\ncat /proc/$$/stat > \"$(dirname \"$0\")/stat.tmp\"\n"
             "mv \"$(dirname \"$0\")/stat.tmp\" \"$(dirname \"$0\")/stat\"\n");
  ::chmod(script.c_str(), 0755);
  PosixProcess process("test");
  process.StartProgram(script);
  ASSERT_TRUE(AppearsSoon(temp.Path() + "/stat"));
  // /proc/PID/stat: pid (comm) state ppid pgrp session ...
  std::istringstream stat(ReadBytes(temp.Path() + "/stat"));
  std::string comm, state;
  pid_t pid = 0, parent = 0, group = 0, session = 0;
  stat >> pid >> comm >> state >> parent >> group >> session;
  EXPECT_EQ(session, pid) << "a session leader of its own";
  EXPECT_NE(session, ::getsid(0));
  ::waitpid(pid, nullptr, 0);
}

TEST(PosixProcess, FailedStartNamesThePathAndTheReason) {
  TempFolder temp;
  const std::string plain = temp.Path() + "/not executable";
  WriteBytes(plain, "#!/bin/sh\n");
  ::chmod(plain.c_str(), 0644);
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {{temp.Path() + "/missing", "No such file or directory"},
               {plain, "Permission denied"}};
  PosixProcess process("test");
  for (const auto& c : cases) {
    try {
      process.StartProgram(c.path);
      ADD_FAILURE() << "no error for " << c.path;
    } catch (const std::runtime_error& error) {
      const std::string text = error.what();
      EXPECT_NE(text.find(c.path), std::string::npos) << text;
      EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    }
  }
}

// The watch of a started program tells how it ended, and nothing while it
// runs (a program that waits for its pipe, which the test then writes).
TEST(PosixProcess, TheWatchTellsHowAStartedProgramEnded) {
  TempFolder temp;
  const std::string script = temp.Path() + "/program";
  const std::string fifo = temp.Path() + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string body;
    std::chrono::milliseconds limit;
    const char* ended;
  } cases[] = {{"exit 127", std::chrono::minutes(1), "ended with status 127"},
               {"kill -TERM $$", std::chrono::minutes(1), "was ended by signal 15 (Terminated)"},
               {"read line < " + fifo, std::chrono::milliseconds(50), "runs"}};
  PosixProcess process("test");
  for (const auto& c : cases) {
    WriteBytes(script, "#!/bin/sh\n" + c.body + "\n");
    ::chmod(script.c_str(), 0755);
    const auto started = process.StartProgram(script);
    EXPECT_EQ(started->EndedWithin(c.limit).value_or("runs"), c.ended) << c.body;
  }
  WriteBytes(fifo, "go\n");  // lets the last one end
}

TEST(PosixProcess, ExitNowRunsNoExitHandlers) {
  TempFolder temp;
  static std::string marker;
  marker = temp.Path() + "/exit handler ran";
  const testing::ChildResult result = testing::RunInChild([](std::string&) -> int {
    std::atexit([] { WriteBytes(marker, "ran"); });
    PosixProcess("test").ExitNow();
  });
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(PosixUpdateFiles, TemporaryFilesAreNewEmptyUniqueAndNameTheirFileAndOwner) {
  TempFolder temp;
  PosixUpdateFiles files;
  testing::ExpectNewEmptyUniqueTemporariesNamedForTheirFileAndOwner(
      files, temp.Path() + "/", static_cast<std::uint32_t>(::getpid()), ENOENT);
}

TEST(PosixUpdateFiles, RemovesOnlyTheTemporariesOfProcessesThatHaveEnded) {
  TempFolder temp;
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  const std::string gone = std::to_string(ended);
  const struct {
    std::string name;
    bool removed;
  } cases[] = {
      {".NewQuorvane.exe.tmp-" + gone + "-17", true},
      {".NewQuorvane.exe.tmp-1-0", false},  // init runs as long as the system does
      {".NewQuorvane.exe.tmp-" + std::to_string(::getpid()) + "-0", false},  // this process
      {".Quorvane.exe.sig.tmp-" + gone + "-0", false},                       // another file's
      {"NewQuorvane.exe.tmp-" + gone + "-0", false},  // not hidden: not a temporary
      {".NewQuorvane.exe.tmp-" + gone + "-", false},  // no count
      {".NewQuorvane.exe.tmp-0-0", false},            // no process has id 0
  };
  for (const auto& c : cases) WriteBytes(temp.Path() + "/" + c.name, "x");
  PosixUpdateFiles().RemoveOrphanedTemporaries({temp.Path() + "/NewQuorvane.exe"});
  for (const auto& c : cases) {
    EXPECT_EQ(testing::PathExists(temp.Path() + "/" + c.name), !c.removed) << c.name;
  }
}

TEST(PosixUpdateFiles, TakesTheRunningProgramsPermissionsOrMakesTheFileExecutable) {
  TempFolder temp;
  const std::string program = temp.Path() + "/program";
  const std::string path = temp.Path() + "/update";
  const struct {
    mode_t program_mode, before, after;  // program_mode 0: no program file
  } cases[] = {{0755, 0600, 0755}, {0711, 0644, 0711}, {04750, 0600, 0750},
               {0, 0644, 0755},    {0, 0600, 0700},    {0, 0640, 0750}};
  for (const auto& c : cases) {
    std::filesystem::remove(program);
    if (c.program_mode != 0) WriteBytes(program, "x");
    ::chmod(program.c_str(), c.program_mode);
    WriteBytes(path, "x");
    ::chmod(path.c_str(), c.before);
    PosixUpdateFiles(program).TakeProgramPermissions(path);
    EXPECT_EQ(ModeOf(path), c.after) << std::oct << c.program_mode << " " << c.before;
  }
  EXPECT_THROW(PosixUpdateFiles(program).TakeProgramPermissions(temp.Path() + "/missing"),
               FileError);
}

TEST(PosixUpdateFiles, ReadsAFileInChunksInOrder) {
  TempFolder temp;
  PosixUpdateFiles files;
  testing::ExpectTheBytesInChunksInOrder(files, temp.Path() + "/");
}

}  // namespace
}  // namespace tickerloom::platform
