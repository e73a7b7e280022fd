#include "generator/ScriptGenerator.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "generator/ScriptFormat.h"
#include "generator/Text.h"
#include "tests/support/FakeForm.h"
#include "tests/support/NativeFileSystem.h"
#include "tests/support/TempFolder.h"
#ifndef _WIN32
#include "tests/support/ChildProcess.h"
#endif

namespace tickerloom::generator {
namespace {

using testing::FakeForm;
using testing::ListFolder;
using testing::PathExists;
using testing::ReadBytes;
using testing::WriteBytes;

const std::string kAdvert = AdvertLine();

TEST(GenerateScrollScript, WorkedExampleByteForByte) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  FakeForm form("ABCDE", "3", "intro", "4");
  GenerateScrollScript(form, files);

  EXPECT_EQ(form.total_files, "5");
  EXPECT_EQ(ReadBytes("intro-1.rul"), "Bind F4 \"execrul intro-2.rul\"\r\nSay ABC\r\n");
  EXPECT_EQ(ReadBytes("intro-2.rul"), "Bind F4 \"execrul intro-3.rul\"\r\nSay BCD\r\n");
  EXPECT_EQ(ReadBytes("intro-3.rul"), "Bind F4 \"execrul intro-4.rul\"\r\nSay CDE\r\n");
  EXPECT_EQ(ReadBytes("intro-4.rul"), "Bind F4 \"execrul intro-5.rul\"\r\nSay DEA\r\n");
  EXPECT_EQ(ReadBytes("intro-5.rul"), "Bind F4 \"execrul intro-1.rul\"\r\nSay EAB\r\n");
  EXPECT_EQ(ReadBytes("autoexec.rul"), kAdvert + "\r\n\r\nBind F4 \"execrul intro-1.rul\"\r\n");
  EXPECT_EQ(ListFolder("."),
            "autoexec.rul intro-1.rul intro-2.rul intro-3.rul intro-4.rul intro-5.rul");
}

TEST(GenerateScrollScript, RoadOfOneRequest) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  FakeForm form("This Is A Sample Script", "10", "hello", "2");
  GenerateScrollScript(form, files);

  EXPECT_EQ(form.total_files, "23");
  const std::string scroll = "This Is A Sample ScriptThis Is A";
  for (int i = 1; i <= 23; ++i) {
    const int target = i == 23 ? 1 : i + 1;
    EXPECT_EQ(ReadBytes("hello-" + std::to_string(i) + ".rul"),
              "Bind F2 \"execrul hello-" + std::to_string(target) + ".rul\"\r\nSay " +
                  scroll.substr(i - 1, 10) + "\r\n")
        << i;
  }
  EXPECT_FALSE(PathExists("hello-24.rul"));
}

TEST(GenerateScrollScript, InputsAreReadAsTheWindowHoldsThem) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  // Key "05" is written as F5; a fractional line size is rounded half to even
  // (2.5 -> 2) and that whole number is used for the caption too.
  FakeForm form("\u00C4bc\u00E9", "2.5", "x", "05");
  GenerateScrollScript(form, files);
  EXPECT_EQ(form.total_files, "4");
  EXPECT_EQ(ReadBytes("x-4.rul"), "Bind F5 \"execrul x-1.rul\"\r\nSay \xE9\xC4\r\n");
}

TEST(GenerateScrollScript, ShorterRerunLeavesHigherFilesAlone) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  FakeForm first("ABCDEF", "1", "s", "2");
  GenerateScrollScript(first, files);
  const std::string old_five = ReadBytes("s-5.rul");
  const std::string old_six = ReadBytes("s-6.rul");

  FakeForm second("WXYZ", "1", "s", "2");
  GenerateScrollScript(second, files);
  EXPECT_EQ(second.total_files, "4");
  EXPECT_EQ(ReadBytes("s-4.rul"), "Bind F2 \"execrul s-1.rul\"\r\nSay Z\r\n");
  EXPECT_EQ(ReadBytes("s-5.rul"), old_five);
  EXPECT_EQ(ReadBytes("s-6.rul"), old_six);
}

#ifndef _WIN32
// The reasons below are the C library's texts; tests/win32 has the table of
// the Windows file layer.

// A failing script file stops the run: the caption already shows the count,
// earlier files stay, and autoexec.rul is not touched.
TEST(GenerateScrollScript, FileFailuresStopTheRunAndReportPathAndReason) {
  struct Case {
    const char* name;
    const char* expected_path;
    const char* expected_reason;
  };
  const std::string long_name(300, 'n');
  const Case cases[] = {
      {"missing/intro", "missing/intro-1.rul", "No such file or directory"},
      {"taken", "taken-2.rul", "Is a directory"},
      {long_name.c_str(), "-1.rul", "File name too long"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempFolder folder;
    std::filesystem::create_directory("taken-2.rul");
    WriteBytes("autoexec.rul", "old\r\n");
    testing::NativeFileSystem files;
    FakeForm form("abc", "1", c.name, "2");
    try {
      GenerateScrollScript(form, files);
      ADD_FAILURE() << "no failure reported";
    } catch (const platform::FileError& error) {
      EXPECT_NE(std::string(error.what()).find(c.expected_path), std::string::npos) << error.what();
      EXPECT_NE(std::string(error.what()).find(c.expected_reason), std::string::npos)
          << error.what();
    }
    EXPECT_EQ(form.total_files, "3");
    EXPECT_EQ(ReadBytes("autoexec.rul"), "old\r\n");
    EXPECT_EQ(PathExists("taken-1.rul"), std::string(c.name) == "taken");
  }
}

TEST(GenerateScrollScript, FullDiskDuringAScriptFileIsReported) {
  testing::TempFolder folder;
  WriteBytes("autoexec.rul", "old\r\n");
  // a script file here is 46 bytes
  const auto result = testing::GenerateOnAFullDisk(40, FakeForm("abcdefghij", "10", "big", "2"));
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.message, "Cannot write \"big-1.rul\": File too large");
  EXPECT_EQ(ReadBytes("autoexec.rul"), "old\r\n");
  EXPECT_EQ(ListFolder("."), "autoexec.rul big-1.rul");
}
#endif

}  // namespace
}  // namespace tickerloom::generator
