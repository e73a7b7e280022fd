#include <gtest/gtest.h>

#include <filesystem>

#include "generator/ScriptFormat.h"
#include "generator/ScriptGenerator.h"
#include "generator/Text.h"
#include "tests/support/FakeForm.h"
#include "tests/support/NativeFileSystem.h"
#include "tests/support/TempFolder.h"
#ifndef _WIN32
#include <sys/stat.h>

#include "tests/support/ChildProcess.h"
#endif

namespace tickerloom::generator {
namespace {

using testing::ListFolder;
using testing::PathExists;
using testing::ReadBytes;
using testing::WriteBytes;

const std::string kAdvert = AdvertLine();
const std::string kBind = "Bind F3 \"execrul demo-1.rul\"\r\n";
const std::string kTop = kAdvert + "\r\n\r\n";

struct MergeCase {
  const char* description;
  std::string before;  // "<none>" for no file
  std::string after;
};

TEST(MergeStartupScript, ResultByTheStateOfTheOldFile) {
  const MergeCase cases[] = {
      {"no file", "<none>", kTop + kBind},
      {"empty file", "", kTop + kBind},
      {"other lines", "Bind F9 \"x\"\r\n\r\nSay hi\r\n",
       kTop + "Bind F9 \"x\"\r\n\r\nSay hi\r\n\r\n" + kBind},
      {"last line without line end", "Say hi", kTop + "Say hi\r\n" + kBind},
      {"advert present", "a\r\n" + kAdvert + "\r\nb\r\n",
       "a\r\n" + kAdvert + "\r\nb\r\n\r\n" + kBind},
      {"advert last, no line end", "a\n" + kAdvert, "a\n" + kAdvert + "\r\n" + kBind},
      {"advert with lone LF", kAdvert + "\nz", kAdvert + "\nz\r\n" + kBind},
      {"advert in other case", "say visit" + kAdvert.substr(9) + "\r\n",
       kTop + "say visit" + kAdvert.substr(9) + "\r\n\r\n" + kBind},
      {"advert with a blank after it", kAdvert + " \r\n", kTop + kAdvert + " \r\n\r\n" + kBind},
      {"advert ended by a lone CR", kAdvert + "\rx\r\n", kTop + kAdvert + "\rx\r\n\r\n" + kBind},
      {"bytes outside the code page", std::string("\x81\x8D\xFF\x00\r\n", 6),
       kTop + std::string("\x81\x8D\xFF\x00\r\n", 6) + "\r\n" + kBind},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    testing::TempFolder folder;
    if (c.before != "<none>") WriteBytes("autoexec.rul", c.before);
    testing::NativeFileSystem files;
    MergeStartupScript(files, 3, U"demo");
    EXPECT_EQ(ReadBytes("autoexec.rul"), c.after);
    EXPECT_EQ(ListFolder("."), "autoexec.rul");
  }
}

TEST(MergeStartupScript, TwoRunsKeepBothBindings) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  testing::FakeForm first("ABCDE", "3", "intro", "2");
  GenerateScrollScript(first, files);
  testing::FakeForm second("xyz", "1", "demo", "3");
  GenerateScrollScript(second, files);
  EXPECT_EQ(ReadBytes("autoexec.rul"),
            kAdvert + "\r\n\r\nBind F2 \"execrul intro-1.rul\"\r\n\r\n" + kBind);

  std::filesystem::remove("autoexec.rul");
  GenerateScrollScript(second, files);
  EXPECT_EQ(ReadBytes("autoexec.rul"), kTop + kBind);
}

#ifndef _WIN32
// Links, permission bits, the C library's texts and file size limits: POSIX.
// tests/win32 has the Windows counterparts.
TEST(MergeStartupScript, ReplacesTheFileALinkPointsToAndKeepsItsPermissions) {
  testing::TempFolder folder;
  std::filesystem::create_directory("game");
  WriteBytes("game/autoexec.rul", "old\r\n");
  ::chmod("game/autoexec.rul", 0640);
  std::filesystem::create_symlink("game/autoexec.rul", "autoexec.rul");
  testing::NativeFileSystem files;
  MergeStartupScript(files, 3, U"demo");
  EXPECT_TRUE(std::filesystem::is_symlink("autoexec.rul"));
  EXPECT_EQ(ReadBytes("game/autoexec.rul"), kTop + "old\r\n\r\n" + kBind);
  struct stat info {};
  ASSERT_EQ(::stat("game/autoexec.rul", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(ListFolder("game"), "autoexec.rul");
}

TEST(MergeStartupScript, AFolderNamedAutoexecIsReportedAndKept) {
  testing::TempFolder folder;
  std::filesystem::create_directory("autoexec.rul");
  testing::NativeFileSystem files;
  try {
    MergeStartupScript(files, 3, U"demo");
    ADD_FAILURE() << "no failure reported";
  } catch (const platform::FileError& error) {
    EXPECT_STREQ(error.what(), "Cannot replace \"autoexec.rul\": Is a directory");
  }
  EXPECT_TRUE(std::filesystem::is_directory("autoexec.rul"));
  EXPECT_EQ(ListFolder("."), "autoexec.rul");
}

TEST(MergeStartupScript, FullDiskLeavesTheOldFileByteIdentical) {
  testing::TempFolder folder;
  const std::string old_contents = std::string(500, 'x') + "\r\n";
  WriteBytes("autoexec.rul", old_contents);
  const auto result = testing::GenerateOnAFullDisk(400, testing::FakeForm("ab", "1", "s", "2"));
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.message.find("File too large"), std::string::npos) << result.message;
  EXPECT_NE(result.message.find(".autoexec.rul.tmp-"), std::string::npos) << result.message;
  EXPECT_EQ(ReadBytes("autoexec.rul"), old_contents);
  EXPECT_EQ(ListFolder("."), "autoexec.rul s-1.rul s-2.rul");
}
#endif

TEST(MergeStartupScript, AWriterDroppedBeforeCloseLeavesNothingBehind) {
  testing::TempFolder folder;
  WriteBytes("autoexec.rul", "old\r\n");
  testing::NativeFileSystem files;
  {
    auto writer = files.OpenForReplacing("autoexec.rul");
    writer->WriteLine("new");
  }
  EXPECT_EQ(ReadBytes("autoexec.rul"), "old\r\n");
  EXPECT_EQ(ListFolder("."), "autoexec.rul");
}

}  // namespace
}  // namespace tickerloom::generator
