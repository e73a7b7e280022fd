#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
  for (int i = 0; i < 500; ++i) {
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

TEST(PosixUpdateFiles, TemporaryFilesAreNewEmptyAndUnique) {
  TempFolder temp;
  const std::string folder = temp.Path() + "/";
  PosixUpdateFiles files;
  const std::string first = files.CreateTemporaryFile(folder, "NewQuorvane.exe.part");
  const std::string second = files.CreateTemporaryFile(folder, "NewQuorvane.exe.part");
  EXPECT_NE(first, second);
  for (const std::string& path : {first, second}) {
    EXPECT_EQ(path.rfind(folder + "NewQuorvane.exe.part", 0), 0u) << path;
    EXPECT_EQ(ReadBytes(path), "");
  }
  const std::string missing = temp.Path() + "/missing/";
  try {
    files.CreateTemporaryFile(missing, "x");
    ADD_FAILURE() << "no error";
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
  }
}

TEST(PosixUpdateFiles, MakeExecutableAddsExecuteWhereReadIsGranted) {
  TempFolder temp;
  PosixUpdateFiles files;
  const struct {
    mode_t before, after;
  } cases[] = {{0644, 0755}, {0600, 0700}, {0640, 0750}, {0755, 0755}};
  for (const auto& c : cases) {
    const std::string path = temp.Path() + "/program";
    WriteBytes(path, "x");
    ::chmod(path.c_str(), c.before);
    files.MakeExecutable(path);
    EXPECT_EQ(ModeOf(path), c.after) << std::oct << c.before;
  }
  EXPECT_THROW(files.MakeExecutable(temp.Path() + "/missing"), FileError);
}

TEST(PosixUpdateFiles, ReadsAFileInChunksInOrder) {
  TempFolder temp;
  PosixUpdateFiles files;
  std::string bytes(300001, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  WriteBytes(temp.Path() + "/file", bytes);
  std::string read;
  int chunks = 0;
  files.ReadInChunks(temp.Path() + "/file", [&](std::span<const std::byte> chunk) {
    read.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
    ++chunks;
  });
  EXPECT_EQ(read, bytes);
  EXPECT_GT(chunks, 1) << "never the whole file at once";

  std::filesystem::create_directory(temp.Path() + "/folder");
  for (const std::string& path : {temp.Path() + "/missing", temp.Path() + "/folder"}) {
    try {
      files.ReadInChunks(path, [](std::span<const std::byte>) {});
      ADD_FAILURE() << "no error for " << path;
    } catch (const FileError& error) {
      EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace tickerloom::platform
