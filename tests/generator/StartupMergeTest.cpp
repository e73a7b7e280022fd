#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "generator/ScriptFormat.h"
#include "generator/ScriptGenerator.h"
#include "generator/Text.h"
#include "tests/support/FakeForm.h"
#include "tests/support/FileFaults.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/NativeFileSystem.h"
#include "tests/support/TempFolder.h"
#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

#include "tests/support/ChildProcess.h"
#endif

namespace tickerloom::generator {
namespace {

using testing::CountOf;
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
// Links, permission bits, special files, owners, the C library's texts and
// file size limits: POSIX. tests/win32 has the Windows counterparts.
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

std::string MergeFailure(platform::FileSystem& files) {
  try {
    MergeStartupScript(files, 3, U"demo");
  } catch (const platform::FileError& error) {
    return error.what();
  }
  return "no failure";
}

void MakeSocket(const char* path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

// Refused by looking at it only: opening a pipe would block the program.
TEST(MergeStartupScript, AnAutoexecThatIsNoRegularFileIsReportedAndKept) {
  const struct {
    const char* description;
    std::function<void()> make;
    std::filesystem::file_type kept;
    const char* message;
  } cases[] = {
      {"folder", [] { std::filesystem::create_directory("autoexec.rul"); },
       std::filesystem::file_type::directory, "Cannot replace \"autoexec.rul\": Is a directory"},
      {"named pipe", [] { ASSERT_EQ(::mkfifo("autoexec.rul", 0644), 0); },
       std::filesystem::file_type::fifo,
       "Cannot replace \"autoexec.rul\": Not a regular file but a named pipe"},
      {"socket", [] { MakeSocket("autoexec.rul"); }, std::filesystem::file_type::socket,
       "Cannot replace \"autoexec.rul\": Not a regular file but a socket"},
      {"link to a named pipe",
       [] {
         ASSERT_EQ(::mkfifo("pipe", 0644), 0);
         std::filesystem::create_symlink("pipe", "autoexec.rul");
       },
       std::filesystem::file_type::fifo,
       "Cannot replace \"./pipe\": Not a regular file but a named pipe"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    testing::TempFolder folder;
    c.make();
    const std::string before = ListFolder(".");
    testing::NativeFileSystem files;
    EXPECT_EQ(MergeFailure(files), c.message);
    EXPECT_EQ(std::filesystem::status("autoexec.rul").type(), c.kept);
    EXPECT_EQ(ListFolder("."), before);
  }
}

struct OwnedCase {
  const char* description;
  uid_t owner;  // as created, before the merge
  gid_t group;
  mode_t mode;
  const char* failure;  // "" when the merge succeeds
  uid_t owner_after;
  gid_t group_after;
};

// The file's own permission counts, not only the folder's; a replaced file
// keeps its mode, and its owner and group as far as the user may set them.
// Root may write any file, so the merges run as an ordinary user.
TEST(MergeStartupScript, AsAnOrdinaryUserHonoursTheFilesOwnerGroupAndMode) {
  const bool root = ::geteuid() == 0;
  const uid_t user = root ? testing::kOrdinaryUser : ::geteuid();
  // A group the user belongs to besides its own.
  const gid_t extra_group = root ? 100 : ::getegid();
  std::vector<OwnedCase> cases = {
      {"read-only", user, extra_group, 0444, "Cannot replace \"autoexec.rul\": Permission denied",
       user, extra_group},
      {"writable", user, extra_group, 0664, "", user, extra_group},
  };
  if (root) {
    // Only root may give a file away: the user's new file keeps the group.
    cases.push_back(
        {"another user's, writable for the group", 0, extra_group, 0664, "", user, extra_group});
  }
  const std::string old_contents = "old\r\n";
  for (const OwnedCase& c : cases) {
    SCOPED_TRACE(c.description);
    testing::TempFolder folder;
    WriteBytes("autoexec.rul", old_contents);
    ASSERT_EQ(::chown(".", user, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(::chown("autoexec.rul", c.owner, c.group), 0);
    ASSERT_EQ(::chmod("autoexec.rul", c.mode), 0);

    const auto result = testing::RunAsOrdinaryUser({extra_group}, [](std::string& message) {
      testing::NativeFileSystem files;
      message = MergeFailure(files);
      return 0;
    });
    if (result.exit_code == testing::kNoOrdinaryUser) GTEST_SKIP() << result.message;
    ASSERT_EQ(result.exit_code, 0);

    struct stat info {};
    ASSERT_EQ(::stat("autoexec.rul", &info), 0);
    if (*c.failure != '\0') {
      EXPECT_EQ(result.message, c.failure);
      EXPECT_EQ(ReadBytes("autoexec.rul"), old_contents);
    } else {
      EXPECT_EQ(result.message, "no failure");
      EXPECT_EQ(ReadBytes("autoexec.rul"), kTop + old_contents + "\r\n" + kBind);
    }
    EXPECT_EQ(info.st_mode & 07777, c.mode);
    EXPECT_EQ(info.st_uid, c.owner_after);
    EXPECT_EQ(info.st_gid, c.group_after);
    EXPECT_EQ(ListFolder("."), "autoexec.rul");
  }
}

#endif

TEST(MergeStartupScript, HoldsTheLockFromTheReadUntilTheReplaceIsClosed) {
  testing::MemoryFileSystem files;
  files.files["autoexec.rul"] = "old\r\n";
  MergeStartupScript(files, 3, U"demo");
  EXPECT_EQ(files.events,
            (std::vector<std::string>{"lock autoexec.rul", "read autoexec.rul", "read autoexec.rul",
                                      "replace autoexec.rul", "unlock autoexec.rul"}));
}

#ifndef _WIN32
// Two instances pressing Make again and again at the same time: every run's
// line survives.
TEST(MergeStartupScript, TwoProcessesMergingAtOnceLoseNoLine) {
  testing::TempFolder folder;
  constexpr int kRuns = 100;
  const pid_t first = testing::StartGenerating(testing::FakeForm("ab", "1", "a", "2"), kRuns);
  const pid_t second = testing::StartGenerating(testing::FakeForm("ab", "1", "b", "3"), kRuns);
  for (const pid_t child : {first, second}) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::string merged = ReadBytes("autoexec.rul");
  EXPECT_EQ(CountOf(merged, "Bind F2 \"execrul a-1.rul\"\r\n"), std::size_t{kRuns});
  EXPECT_EQ(CountOf(merged, "Bind F3 \"execrul b-1.rul\"\r\n"), std::size_t{kRuns});
  EXPECT_EQ(CountOf(merged, kAdvert), 1u);
  EXPECT_EQ(ListFolder("."), "a-1.rul a-2.rul autoexec.rul b-1.rul b-2.rul");
}

#endif

// The disk fills up while the new autoexec.rul is written, after both script
// files: the temporary file is named in the failure and gone afterwards.
TEST(MergeStartupScript, FullDiskLeavesTheOldFileByteIdentical) {
  testing::TempFolder folder;
  const std::string old_contents = std::string(500, 'x') + "\r\n";
  WriteBytes("autoexec.rul", old_contents);
  const platform::FilePrimitives& native = testing::NativePrimitives();
  platform::FileLayer files(testing::FailingAt(native, native.write.name, 2, testing::kDiskFull));
  const std::string failure =
      testing::GenerationFailure(testing::FakeForm("ab", "1", "s", "2"), files);
  EXPECT_EQ(failure.rfind("Cannot write \"", 0), 0u) << failure;
  EXPECT_NE(failure.find(".autoexec.rul.tmp-"), std::string::npos) << failure;
  EXPECT_TRUE(failure.ends_with("\": " + native.error_text(testing::kDiskFull))) << failure;
  EXPECT_EQ(ReadBytes("autoexec.rul"), old_contents);
  EXPECT_EQ(ListFolder("."), "autoexec.rul s-1.rul s-2.rul");
}

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
