// Windows process services: the program's folder and running name, and
// starting another program.
#include "platform/win32/Win32Process.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32Text.h"
#include "tests/support/TempFolder.h"

namespace tickerloom::platform::win32 {
namespace {

std::wstring OwnPath() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return std::wstring(path, length);
}

TEST(Win32Process, RunningNameIsTheFileNameWithoutFolderAndExtensionPlusExe) {
  const struct {
    const wchar_t* path;
    const char* name;
  } cases[] = {
      {L"C:\\Nox\\Quorvane.exe", "Quorvane.exe"},
      {L"C:\\Nox\\NewQuorvane.EXE", "NewQuorvane.exe"},
      {L"C:\\a.b\\Quorvane", "Quorvane.exe"},
      {L"C:\\Nox\\Quorvane.exe.old", "Quorvane.exe.exe"},
      {L"C:\\Spiele\\Qu\u00F6rvane.exe", "Qu\u00F6rvane.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Win32Process::RunningNameOf(c.path), c.name);
  }
}

TEST(Win32Process, FolderAndNameComeFromTheProgramsFile) {
  Win32Process process;
  const std::filesystem::path own = OwnPath();
  EXPECT_EQ(process.RunningName(), "win32_backend_tests.exe");
  EXPECT_EQ(process.ProgramFolder(), Narrow(own.parent_path().wstring()) + "\\");
}

// Started in this program's working folder, with its own quoted path as the
// command line, also from a folder and a name with blanks and accents.
TEST(Win32Process, StartsAProgramWithoutWaitingForIt) {
  const std::wstring helper =
      std::filesystem::path(OwnPath()).parent_path().wstring() + L"\\win32_started_program.exe";
  testing::TempFolder folder;
  std::filesystem::create_directory(L"with blank \u00E9");
  const std::wstring copy =
      std::filesystem::current_path().wstring() + L"\\with blank \u00E9\\Started \u00E9.exe";
  ASSERT_TRUE(std::filesystem::copy_file(helper, copy));

  const auto started = Win32Process().StartProgram(Narrow(copy));
  // The program writes started.txt at once; allow a slow machine plenty.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!std::filesystem::exists("started.txt") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(std::filesystem::exists("started.txt"));
  const std::string quoted_path = '"' + Narrow(copy).append(1, '"');
  EXPECT_EQ(testing::ReadBytes("started.txt"), quoted_path);
  EXPECT_EQ(started->EndedWithin(std::chrono::minutes(1)).value_or("runs"), "ended with status 0");
}

// A program the loader cannot start ends before it runs; the watch says so
// with the system's status and its text.
TEST(Win32Process, TheWatchTellsThatAProgramCouldNotLoad) {
  testing::TempFolder folder;
  const std::wstring needs_library =
      std::filesystem::path(OwnPath()).parent_path().wstring() + L"\\win32_needs_its_library.exe";
  ASSERT_TRUE(std::filesystem::copy_file(needs_library, L"alone.exe"));
  const auto started = Win32Process().StartProgram("alone.exe");
  EXPECT_EQ(started->EndedWithin(std::chrono::minutes(1)).value_or("runs"),
            "ended with status 0xC0000135 (" + SystemErrorText(ERROR_MOD_NOT_FOUND) + ")");
}

TEST(Win32Process, AProgramThatCannotStartIsReportedWithTheSystemText) {
  testing::TempFolder folder;
  try {
    Win32Process().StartProgram("missing.exe");
    ADD_FAILURE() << "no failure reported";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot start missing.exe: " + SystemErrorText(ERROR_FILE_NOT_FOUND));
  }
}

// What a start as administrator hands over reads back whole, whatever the
// folder and inputs hold (blanks, quotes, backslashes before a quote or the
// end), as the started program's CommandLineToArgvW splits it.
TEST(Win32Process, AnElevatedStartHandsOverTheFolderAndTheInputsWhole) {
  const std::vector<std::string> inputs = {"say \"hi\" \\\" x\\", "", "12", "a\\\\", "\xC3\xA9"};
  const std::string folder = "C:\\Program Files (x86)\\Nox\\";
  const std::wstring line = L"Quorvane.exe " + ElevatedArguments(folder, inputs);
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(line.c_str(), &argc);
  ASSERT_NE(argv, nullptr);
  const HandedOver handed = ReadHandedOver(argc, argv);
  ::LocalFree(argv);
  EXPECT_EQ(Narrow(handed.folder), folder);
  EXPECT_EQ(handed.inputs, inputs);
}

// The game, virtualized, reads %LOCALAPPDATA%\VirtualStore\<folder without
// its drive>: a copy there is found, none where it is missing.
TEST(Win32Process, FindsTheVirtualStoreCopyOfAFile) {
  testing::TempFolder folder;
  Win32Process process;
  EXPECT_EQ(process.VirtualStoreCopyOf("autoexec.rul"), std::nullopt);
  const std::wstring here = std::filesystem::current_path().wstring();
  ASSERT_EQ(here.substr(1, 2), L":\\");
  const std::filesystem::path copy = std::filesystem::path(_wgetenv(L"LOCALAPPDATA")) /
                                     L"VirtualStore" / here.substr(3) / L"autoexec.rul";
  std::filesystem::create_directories(copy.parent_path());
  testing::WriteBytes(copy.string(), "old\r\n");
  const auto found = process.VirtualStoreCopyOf("autoexec.rul");
  std::filesystem::remove_all(std::filesystem::path(_wgetenv(L"LOCALAPPDATA")) / L"VirtualStore");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(std::filesystem::path(Widen(*found)), copy);
}

}  // namespace
}  // namespace tickerloom::platform::win32
