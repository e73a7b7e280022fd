// The file layer of the platform the tests are built for.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "generator/ScriptGenerator.h"
#include "platform/FileDownload.h"
#include "platform/TemporaryName.h"
#include "tests/support/FakeForm.h"
#include "tests/support/FileFaults.h"
#include "tests/support/NativeFileSystem.h"
#include "tests/support/TempFolder.h"

namespace tickerloom::platform {
namespace {

using testing::kEveryTime;
using testing::ListFolder;
using testing::ReadBytes;
using testing::WriteBytes;

std::vector<std::string> Lines(FileSystem& files, const std::string& path) {
  auto reader = files.OpenForReading(path);
  std::vector<std::string> lines;
  while (!reader->AtEnd()) lines.push_back(reader->ReadLine());
  reader->Close();
  return lines;
}

TEST(FileSystem, ReadsLinesEndedByCrLfOrLf) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  const struct {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r\n", {"a\rb"}},
      {"\r\n", {""}},
      {"a\r", {"a\r"}},
  };
  for (const auto& c : cases) {
    WriteBytes("f", c.bytes);
    EXPECT_EQ(Lines(files, "f"), c.lines) << c.bytes;
  }
}

TEST(FileSystem, ReadAllReturnsTheRestUnchanged) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  const std::string bytes("one\r\ntwo\n\x00\xFF", 10);
  WriteBytes("f", bytes);
  auto reader = files.OpenForReading("f");
  EXPECT_EQ(reader->ReadLine(), "one");
  EXPECT_EQ(reader->ReadAll(), bytes.substr(5));
  EXPECT_TRUE(reader->AtEnd());
  EXPECT_THROW(reader->ReadLine(), FileError);
}

TEST(FileSystem, WritesLinesWithCrLfAndEmptiesOldFiles) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  WriteBytes("f", "a much longer old content");
  auto writer = files.OpenForWriting("f");
  writer->WriteLine("x");
  writer->WriteLine("");
  writer->Close();
  EXPECT_EQ(ReadBytes("f"), "x\r\n\r\n");
}

TEST(FileSystem, ExistsOnlyForFiles) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  WriteBytes("f", "");
  std::filesystem::create_directory("d");
  EXPECT_TRUE(files.FileExists("f"));
  EXPECT_FALSE(files.FileExists("d"));
  EXPECT_FALSE(files.FileExists("missing"));
  EXPECT_FALSE(files.FileExists(std::string(5000, 'x')));
}

#ifndef _WIN32
// The C library's texts; tests/win32 has the Windows table.
TEST(FileSystem, FailuresNameTheOperationThePathAndTheReason) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  std::filesystem::create_directory("d");
  const auto message = [](auto&& operation) -> std::string {
    try {
      operation();
    } catch (const FileError& error) {
      return error.what();
    }
    return "no failure";
  };
  EXPECT_EQ(message([&] { files.OpenForReading("missing"); }),
            "Cannot open \"missing\": No such file or directory");
  EXPECT_EQ(message([&] { files.OpenForReading("d"); }), "Cannot read \"d\": Is a directory");
  EXPECT_EQ(message([&] { files.OpenForWriting("d"); }), "Cannot create \"d\": Is a directory");
  EXPECT_EQ(message([&] { files.RemoveFile("missing"); }),
            "Cannot delete \"missing\": No such file or directory");
  EXPECT_EQ(message([&] { files.RenameFile("missing", "other"); }),
            "Cannot rename \"missing\": No such file or directory");
  EXPECT_EQ(message([&] { files.LockForUpdate("missing/autoexec.rul"); }),
            "Cannot lock the folder of \"missing/autoexec.rul\": No such file or directory");
}
#endif

TEST(FileSystem, RenamesAndDeletes) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  WriteBytes("a", "1");
  files.RenameFile("a", "b");
  EXPECT_EQ(ReadBytes("b"), "1");
  EXPECT_FALSE(files.FileExists("a"));
  files.RemoveFile("b");
  EXPECT_FALSE(files.FileExists("b"));
}

// A Make whose file steps fail as on a full disk: each step of a run in turn,
// then every step of each name the table lists. The failure is told with the
// path and the OS's text, and autoexec.rul stays wholly old (wholly new where
// only a step after its rename failed: those cost nothing); no temporary
// file stays behind.
TEST(FileSystem, AMakeWhoseStepFailsTellsItAndLosesNothing) {
  const testing::FakeForm form("ab", "1", "s", "2");
  const std::string old_contents = "old\r\n";
  const FilePrimitives& native = testing::NativePrimitives();
  std::vector<std::string> steps;
  std::string new_contents;
  {
    testing::TempFolder folder;
    WriteBytes("autoexec.rul", old_contents);
    FileLayer files(testing::Noting(native, steps));
    ASSERT_EQ(testing::GenerationFailure(form, files), "no failure");
    new_contents = ReadBytes("autoexec.rul");
  }
  std::vector<std::pair<std::string, FilePrimitives>> faults;
  for (std::size_t index = 0; index < steps.size(); ++index) {
    faults.emplace_back("step " + std::to_string(index) + ", " + steps[index],
                        testing::FailingAt(native, "", index, testing::kDiskFull));
  }
  for (const std::string_view name : native.StepNames()) {
    faults.emplace_back("every " + std::string(name),
                        testing::FailingAt(native, name, testing::kEveryTime, testing::kDiskFull));
  }
  const std::string disk_full = "\": " + native.error_text(testing::kDiskFull);
  for (const auto& [fault, primitives] : faults) {
    SCOPED_TRACE(fault);
    testing::TempFolder folder;
    WriteBytes("autoexec.rul", old_contents);
    FileLayer files(primitives);
    const std::string failure = testing::GenerationFailure(form, files);
    if (failure == "no failure") {
      EXPECT_EQ(ReadBytes("autoexec.rul"), new_contents);
    } else {
      EXPECT_EQ(failure.rfind("Cannot ", 0), 0u) << failure;
      EXPECT_TRUE(failure.ends_with(disk_full)) << failure;
      EXPECT_EQ(ReadBytes("autoexec.rul"), old_contents);
    }
    EXPECT_EQ(ListFolder(".").find(".tmp-"), std::string::npos) << ListFolder(".");
    // A folder that cannot be locked is refused before the first script file.
    if (fault == "every lock") {
      EXPECT_EQ(ListFolder("."), "autoexec.rul");
    }
  }
}

// Make and the update ask a folder for a new file before they write there.
// sysfs takes none, not even from root: the system's refusal is told as
// denied (on Windows through Wine, as Program Files refuses a user); a
// folder that takes one keeps nothing of the question.
TEST(FileSystem, AFolderThatTakesNoNewFileIsDenied) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  files.CheckFolderWritable("autoexec.rul");
  EXPECT_EQ(ListFolder("."), "");
#ifdef _WIN32
  const std::string refused = "Z:\\sys\\autoexec.rul";
#else
  const std::string refused = "/sys/autoexec.rul";
#endif
  if (!std::filesystem::is_directory(std::filesystem::path(refused).parent_path())) {
    GTEST_SKIP() << "no sysfs on this machine";
  }
  try {
    files.CheckFolderWritable(refused);
    ADD_FAILURE() << "no refusal";
  } catch (const FileError& error) {
    EXPECT_TRUE(error.Denied()) << error.what();
    EXPECT_EQ(
        std::string(error.what()).rfind("Cannot write in the folder of \"" + refused + "\": ", 0),
        0u)
        << error.what();
  }
}

// A scanner that opens a file just written keeps it from being renamed for a
// moment: each rename of such a file is tried again for a while, and one that
// another error ends, or the target's holder, is told at once.
TEST(FileSystem, ARenameOfAFileJustWrittenWaitsForAScannerToLetGo) {
  constexpr int kHeld = testing::kDiskFull + 1;  // stands for the backend's own
  const struct {
    const char* what;
    std::function<void(FileLayer&, const FilePrimitives&)> run;
  } operations[] = {
      {"replace", [](FileLayer& files,
                     const FilePrimitives&) { generator::MergeStartupScript(files, 2, U"s"); }},
      {"rename", [](FileLayer& files, const FilePrimitives&) { files.RenameFile("f", "g"); }},
      {"download",
       [](FileLayer&, const FilePrimitives& os) {
         FileDownload(os, [](const std::string&, std::uint64_t, const DownloadTimeouts&,
                             const DownloadProgress&, const std::shared_ptr<BodySink>& sink) {
           (void)sink->Store(std::span<const char>("x", 1));
         }).Fetch("http://127.0.0.1/x", "d", 1, {}, {});
       }},
  };
  const struct {
    std::size_t failures;  // kEveryTime: the rename fails in the end
    int error;
    std::size_t renames;
  } holds[] = {
      {3, kHeld, 4},
      {kEveryTime, kHeld, kBriefHoldTries},
      {kEveryTime, testing::kDiskFull, 1},
  };
  for (const auto& operation : operations) {
    for (const auto& hold : holds) {
      SCOPED_TRACE(::testing::Message() << operation.what << ", " << hold.failures);
      testing::TempFolder folder;
      WriteBytes("f", "");
      std::size_t renames = 0;
      FilePrimitives os =
          testing::Around(testing::NativePrimitives(),
                          [&](std::string_view step, const std::function<Status()>& call) {
                            if (step != "rename") return call();
                            return renames++ < hold.failures ? Status{.error = hold.error} : call();
                          });
      os.briefly_held = [](int error) { return error == kHeld; };
      FileLayer files(os);
      bool failed = false;
      try {
        operation.run(files, os);
      } catch (const std::runtime_error& error) {
        failed = true;
        EXPECT_TRUE(std::string(error.what()).ends_with(os.error_text(hold.error))) << error.what();
      }
      EXPECT_EQ(failed, hold.failures == kEveryTime);
      EXPECT_EQ(renames, hold.renames);
    }
  }
}

// The one naming rule of temporary files on every platform: what a name made
// for a file and an owner reads back as, and the names that are no
// temporary's.
TEST(TemporaryName, NamesTheFileItStandsForAndItsOwner) {
  EXPECT_EQ(TemporaryNamePrefix("NewQuorvane.exe", 4321), ".NewQuorvane.exe.tmp-4321-");
  EXPECT_EQ(TemporaryNamePrefix("a.tmp-1-2", 7), ".a.tmp-1-2.tmp-7-");
  const struct {
    const char* name;
    const char* stands_for;  // nullptr: no temporary
    std::uint32_t owner;
  } cases[] = {
      {".NewQuorvane.exe.tmp-4321-0", "NewQuorvane.exe", 4321},
      {".autoexec.rul.tmp-4294967295-17", "autoexec.rul", 4294967295u},
      {".a.tmp-1-2.tmp-7-3", "a.tmp-1-2", 7},  // the last marker counts
      {"..x.tmp-5-5", ".x", 5},
      {".x.tmp-4294967296-0", nullptr, 0},   // more than 32 bits
      {".x.tmp-00000000001-0", nullptr, 0},  // more than ten digits
      {".x.tmp-0-0", nullptr, 0},            // no process has id 0
      {".x.tmp-12-", nullptr, 0},            // no count
      {".x.tmp-12", nullptr, 0},
      {".x.tmp--1", nullptr, 0},
      {".x.tmp-1-a", nullptr, 0},
      {".x.tmp-+1-1", nullptr, 0},
      {"x.tmp-1-1", nullptr, 0},  // not hidden
      {"..tmp-1-1", nullptr, 0},  // for no file
      {".x.TMP-1-1", nullptr, 0},
      {"autoexec.rul", nullptr, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parsed = ParseTemporaryName(c.name);
    ASSERT_EQ(parsed.has_value(), c.stands_for != nullptr);
    EXPECT_EQ(StandsFor(c.name), c.stands_for != nullptr ? c.stands_for : c.name);
    if (!parsed) continue;
    EXPECT_EQ(parsed->stands_for, c.stands_for);
    EXPECT_EQ(parsed->owner, c.owner);
  }
}

}  // namespace
}  // namespace tickerloom::platform
