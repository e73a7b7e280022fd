#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/curl/CurlDownload.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixUpdateFiles.h"
#include "tests/support/TempFolder.h"
#include "tests/update/support/Fakes.h"
#include "tests/update/support/TestServer.h"
#include "update/Signature.h"
#include "update/Update.h"

namespace tickerloom::update {
namespace {

using testing::ListFolder;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// Runs the release tool with the arguments (already quoted) and returns its exit code.
int Release(const std::string& arguments) {
  const std::string command =
      std::string("'") + TICKERLOOM_RELEASE_TOOL + "' " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

TEST(ReleaseTool, KeyPairIsPrivateAndNeverOverwritten) {
  TempFolder temp;
  const std::string key = temp.Path() + "/release key";
  ASSERT_EQ(Release("keygen " + Quoted(key)), 0);
  struct stat info {};
  ASSERT_EQ(::stat(key.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const std::string secret = ReadBytes(key);
  std::string public_hex = ReadBytes(key + ".pub");
  ASSERT_EQ(public_hex.back(), '\n');
  public_hex.pop_back();
  ASSERT_TRUE(ParsePublicKey(public_hex).has_value()) << public_hex;

  EXPECT_NE(Release("keygen " + Quoted(key)), 0);
  EXPECT_EQ(ReadBytes(key), secret);
  EXPECT_NE(Release("keygen"), 0);
}

TEST(ReleaseTool, RefusesAVersionThatIsNotANumberAndWritesNothing) {
  TempFolder temp;
  const std::string key = temp.Path() + "/key";
  ASSERT_EQ(Release("keygen " + Quoted(key)), 0);
  WriteBytes(temp.Path() + "/program", "program");
  for (const char* version : {"beta", "", "0", "'1.2\n'"}) {
    EXPECT_NE(Release(std::string("publish ") + (version[0] == '\'' ? version : Quoted(version)) +
                      " " + Quoted(temp.Path() + "/program") + " " + Quoted(key) + " " +
                      Quoted(temp.Path() + "/out")),
              0)
        << version;
  }
  EXPECT_NE(Release("publish 1.2 " + Quoted(temp.Path() + "/program") + " " +
                    Quoted(temp.Path() + "/program") + " " + Quoted(temp.Path() + "/out")),
            0)
      << "a file that is not a secret key";
  EXPECT_FALSE(std::filesystem::exists(temp.Path() + "/out"));
}

// From key generation to a verified NewQuorvane.exe: the tool's output,
// served as it is, passes the program's own check.
TEST(ReleaseTool, PublishedDirectoryIsAcceptedByTheUpdateCheck) {
  TempFolder temp;
  const std::string key = temp.Path() + "/key";
  const std::string served = temp.Path() + "/served";
  const std::string app = temp.Path() + "/app/";
  std::filesystem::create_directory(app);
  std::string program(70000, '\0');
  for (std::size_t i = 0; i < program.size(); ++i) program[i] = static_cast<char>(i % 253);
  WriteBytes(temp.Path() + "/built", program);
  ASSERT_EQ(Release("keygen " + Quoted(key)), 0);
  ASSERT_EQ(Release("publish 1.2 " + Quoted(temp.Path() + "/built") + " " + Quoted(key) + " " +
                    Quoted(served)),
            0);
  EXPECT_EQ(ListFolder(served), "Quorvane.exe Quorvane.exe.sig Quorvane.exeVer.txt");
  EXPECT_EQ(ReadBytes(served + "/Quorvane.exeVer.txt"), "1.2\r\n");
  EXPECT_EQ(ReadBytes(served + "/Quorvane.exe"), program);

  testing::TestServer server(served);
  std::string public_hex = ReadBytes(key + ".pub");
  public_hex.pop_back();
  platform::PosixFileSystem files;
  platform::PosixUpdateFiles update_files;
  platform::FileDownload download(platform::PosixFilePrimitives(), platform::StreamWithCurl);
  testing::FakeMessageBoxes boxes;
  boxes.answers = {platform::MessageAnswer::kYes};
  testing::FakeProgressBoxes progress;
  testing::FakeTimers timers;
  CheckForUpdate(app, "Quorvane.exe", "1.1",
                 UpdateServices{files, update_files, download, boxes, progress, timers,
                                UpdateSource{server.BaseUrl(), public_hex}});
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(ListFolder(app), "NewQuorvane.exe");
  EXPECT_EQ(ReadBytes(app + "NewQuorvane.exe"), program);
}

// A release publishes each platform's program in a directory of its own,
// signed with one key: the Linux program where installed Linux programs look,
// the Windows program in windows/ beneath it. Swapped programs are refused
// before anything is written.
TEST(ReleaseTool, EachPlatformsProgramHasAnUpdateDirectoryOfItsOwn) {
  TempFolder temp;
  const std::string key = temp.Path() + "/key";
  const std::string out = temp.Path() + "/publish";
  ASSERT_EQ(Release("keygen " + Quoted(key)), 0);
  const std::string linux_program = std::string(
                                        "\x7f"
                                        "ELF") +
                                    std::string(5000, 'l');
  const std::string windows_program = "MZ" + std::string(7000, 'w');
  WriteBytes(temp.Path() + "/linux", linux_program);
  WriteBytes(temp.Path() + "/windows", windows_program);
  const auto publish = [&](const std::string& linux, const std::string& windows) {
    const std::string command = "bash " + Quoted(TICKERLOOM_PUBLISH_SCRIPT) + " " +
                                Quoted(TICKERLOOM_RELEASE_TOOL) + " 1.2 " + Quoted(linux) + " " +
                                Quoted(windows) + " " + Quoted(key) + " " + Quoted(out) +
                                " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };

  EXPECT_NE(publish(temp.Path() + "/windows", temp.Path() + "/linux"), 0);
  EXPECT_NE(publish(temp.Path() + "/linux", temp.Path() + "/linux"), 0);
  EXPECT_FALSE(std::filesystem::exists(out));

  ASSERT_EQ(publish(temp.Path() + "/linux", temp.Path() + "/windows"), 0);
  EXPECT_EQ(ListFolder(out), "Quorvane.exe Quorvane.exe.sig Quorvane.exeVer.txt windows");
  EXPECT_EQ(ListFolder(out + "/windows"), "Quorvane.exe Quorvane.exe.sig Quorvane.exeVer.txt");
  std::string public_hex = ReadBytes(key + ".pub");
  public_hex.pop_back();
  const auto public_key = ParsePublicKey(public_hex);
  ASSERT_TRUE(public_key);
  for (const auto& [directory, program] :
       {std::pair{out, linux_program}, std::pair{out + "/windows", windows_program}}) {
    SCOPED_TRACE(directory);
    EXPECT_EQ(ReadBytes(directory + "/Quorvane.exeVer.txt"), "1.2\r\n");
    EXPECT_EQ(ReadBytes(directory + "/Quorvane.exe"), program);
    const auto signature = ParseSignatureFile(ReadBytes(directory + "/Quorvane.exe.sig"));
    ASSERT_TRUE(signature);
    UpdateDigest digest("1.2");
    digest.Add(std::as_bytes(std::span(program.data(), program.size())));
    EXPECT_TRUE(Verify(*public_key, digest.Finish(), *signature));
  }
}

}  // namespace
}  // namespace tickerloom::update
