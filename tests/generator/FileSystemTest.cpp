#include "platform/posix/PosixFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TempFolder.h"

namespace tickerloom::platform {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

std::vector<std::string> Lines(FileSystem& files, const std::string& path) {
  auto reader = files.OpenForReading(path);
  std::vector<std::string> lines;
  while (!reader->AtEnd()) lines.push_back(reader->ReadLine());
  reader->Close();
  return lines;
}

TEST(PosixFileSystem, ReadsLinesEndedByCrLfOrLf) {
  testing::TempFolder folder;
  PosixFileSystem files;
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

TEST(PosixFileSystem, ReadAllReturnsTheRestUnchanged) {
  testing::TempFolder folder;
  PosixFileSystem files;
  const std::string bytes("one\r\ntwo\n\x00\xFF", 10);
  WriteBytes("f", bytes);
  auto reader = files.OpenForReading("f");
  EXPECT_EQ(reader->ReadLine(), "one");
  EXPECT_EQ(reader->ReadAll(), bytes.substr(5));
  EXPECT_TRUE(reader->AtEnd());
  EXPECT_THROW(reader->ReadLine(), FileError);
}

TEST(PosixFileSystem, WritesLinesWithCrLfAndEmptiesOldFiles) {
  testing::TempFolder folder;
  PosixFileSystem files;
  WriteBytes("f", "a much longer old content");
  auto writer = files.OpenForWriting("f");
  writer->WriteLine("x");
  writer->WriteLine("");
  writer->Close();
  EXPECT_EQ(ReadBytes("f"), "x\r\n\r\n");
}

TEST(PosixFileSystem, ExistsOnlyForFiles) {
  testing::TempFolder folder;
  PosixFileSystem files;
  WriteBytes("f", "");
  std::filesystem::create_directory("d");
  EXPECT_TRUE(files.FileExists("f"));
  EXPECT_FALSE(files.FileExists("d"));
  EXPECT_FALSE(files.FileExists("missing"));
  EXPECT_FALSE(files.FileExists(std::string(5000, 'x')));
}

TEST(PosixFileSystem, FailuresNameTheOperationThePathAndTheReason) {
  testing::TempFolder folder;
  PosixFileSystem files;
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

TEST(PosixFileSystem, RenamesAndDeletes) {
  testing::TempFolder folder;
  PosixFileSystem files;
  WriteBytes("a", "1");
  files.RenameFile("a", "b");
  EXPECT_EQ(ReadBytes("b"), "1");
  EXPECT_FALSE(files.FileExists("a"));
  files.RemoveFile("b");
  EXPECT_FALSE(files.FileExists("b"));
}

}  // namespace
}  // namespace tickerloom::platform
