#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "platform/curl/CurlDownload.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixUpdateFiles.h"
#include "tests/support/FileFaults.h"
#include "tests/support/TempFolder.h"
#include "tests/update/support/Fakes.h"
#include "tests/update/support/TestKeys.h"
#include "tests/update/support/TestServer.h"
#include "update/HandOver.h"
#include "update/Signature.h"
#include "update/Update.h"

namespace tickerloom::update {
namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using testing::ListFolder;
using testing::ReadBytes;
using testing::TempFolder;
using testing::TestServer;
using testing::WriteBytes;

using Requests = std::vector<std::string>;
const Requests kVersionOnly{"/Quorvane.exeVer.txt"};
const Requests kAllThree{"/Quorvane.exeVer.txt", "/Quorvane.exe", "/Quorvane.exe.sig"};

using std::chrono::seconds;

// The update's limits, made short.
const UpdateTimeouts kTestTimeouts{
    .version_file = {.connect = seconds(2), .total = seconds(2), .stall = seconds(2)},
    .executable = {.connect = seconds(2),
                   .stall = seconds(1),
                   .floor_bytes_per_second = 1024,
                   .floor_window = seconds(1)}};

using Keys = testing::TestKeys;

const Keys& Signer() {
  static const Keys keys;
  return keys;
}

std::string SignatureFile(const SecretKey& key, const std::string& line,
                          const std::string& program) {
  UpdateDigest digest(line);
  digest.Add(std::as_bytes(std::span(program.data(), program.size())));
  return ToHex(Sign(key, digest.Finish())) + "\r\n";
}

TEST(VersionRule, ServerVersionIsNewerOnlyWhenItsLeadingNumberIsHigher) {
  const struct {
    const char* first_line;
    bool newer;
  } cases[] = {
      {"1.2", true},     {"2", true},         {"1.1", false},     {"1.10", false}, {"1.05", false},
      {"  1.2", true},   {"\t1.2", true},     {"1.2 beta", true}, {"v1.2", false}, {"", false},
      {"<html>", false}, {"1.1000001", true}, {"-3", false},      {"1.2e0", true}, {"11", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsNewerVersion("1.1", c.first_line), c.newer) << "'" << c.first_line << "'";
  }
}

class CheckForUpdateTest : public ::testing::Test {
 protected:
  CheckForUpdateTest() {
    std::filesystem::create_directory(app_);
    std::filesystem::create_directory(root_);
    server_ = std::make_unique<TestServer>(root_);
    // The running program, which the check must never touch.
    WriteBytes(app_ + "Quorvane.exe", "old program");
    source_ = {server_->BaseUrl(), ToHex(Signer().public_key)};
    // While the prompt is open the local copy of the version file exists.
    boxes_.while_open = [this] { copy_existed_during_box_ = Exists(app_ + "Quorvane.execfu.tmp"); };
  }

  // Serves a version file, a program and its signature over the first line.
  void Publish(const std::string& version_file, const std::string& program,
               const std::string& signed_line = "1.2") {
    WriteBytes(root_ + "Quorvane.exeVer.txt", version_file);
    WriteBytes(root_ + "Quorvane.exe", program);
    WriteBytes(root_ + "Quorvane.exe.sig",
               SignatureFile(Signer().secret_key, signed_line, program));
  }

  UpdateServices Services() {
    return UpdateServices{files_,    update_files_, download_, boxes_,
                          progress_, timers_,       source_,   kTestTimeouts};
  }
  void Check() { CheckForUpdate(app_, "Quorvane.exe", "1.1", Services()); }

  bool Exists(const std::string& path) { return files_.FileExists(path); }
  std::string AppFiles() const { return ListFolder(app_); }

  void ExpectPromptOnly() {
    ASSERT_EQ(boxes_.shown.size(), 1u);
    const platform::Message& prompt = boxes_.shown[0];
    EXPECT_EQ(prompt.prompt, "A Newer Version Is Available\r\nDo You Want To Download It Now?");
    EXPECT_EQ(prompt.title, "Update");
    EXPECT_EQ(prompt.buttons, MessageButtons::kYesNo);
    EXPECT_EQ(prompt.icon, MessageIcon::kInformation);
    EXPECT_TRUE(copy_existed_during_box_);
  }

  TempFolder temp_;
  const std::string app_ = temp_.Path() + "/app/";
  const std::string root_ = temp_.Path() + "/server/";
  std::unique_ptr<TestServer> server_;
  UpdateSource source_;
  platform::PosixFileSystem files_;
  platform::PosixUpdateFiles update_files_;
  platform::FileDownload download_{platform::PosixFilePrimitives(), platform::StreamWithCurl};
  testing::FakeMessageBoxes boxes_;
  testing::FakeProgressBoxes progress_;
  testing::FakeTimers timers_;
  bool copy_existed_during_box_ = false;
};

TEST_F(CheckForUpdateTest, PromptsExactlyWhenTheFirstLineNamesAHigherVersion) {
  const std::string over_limit = "1.2\r\n" + std::string(kMaxVersionFileBytes - 4, 'x');
  const std::string at_limit = "1.2\r\n" + std::string(kMaxVersionFileBytes - 5, 'x');
  const struct {
    const char* name;
    std::string version_file;
    bool prompts;
  } cases[] = {
      {"1.2", "1.2\r\n", true},
      {"2 without a line end", "2", true},
      {"1.2 with a lone LF", "1.2\nrest", true},
      {"blanks before 1.2", "   1.2\r\n", true},
      {"1.2 beta", "1.2 beta\r\n", true},
      {"same version", "1.1\r\n", false},
      {"1.10 equals 1.1", "1.10\r\n", false},
      {"1.05 is lower", "1.05\r\n", false},
      {"a letter before the number", "v1.2\r\n", false},
      {"empty first line, then 1.2", "\r\n1.2\r\n", false},
      {"empty file", "", false},
      {"an HTML page", "<!DOCTYPE html>\n<html><body>1.2</body></html>\n", false},
      {"exactly 64 KiB", at_limit, true},
      {"more than 64 KiB", over_limit, false},
  };
  ASSERT_EQ(at_limit.size(), kMaxVersionFileBytes);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.shown.clear();
    copy_existed_during_box_ = false;
    WriteBytes(root_ + "Quorvane.exeVer.txt", c.version_file);
    if (c.prompts) boxes_.answers = {MessageAnswer::kNo};
    Check();
    if (c.prompts) {
      ExpectPromptOnly();
    } else {
      EXPECT_TRUE(boxes_.shown.empty());
    }
    EXPECT_EQ(AppFiles(), "Quorvane.exe");
    EXPECT_EQ(timers_.timer1_switched_on, 0);
  }
  EXPECT_EQ(server_->Requests(), Requests(std::size(cases), "/Quorvane.exeVer.txt"))
      << "answer No downloads nothing";
}

TEST_F(CheckForUpdateTest, VersionFileNotFetchedInThisRunEndsTheCheckSilentlyAndIsNeverRead) {
  // A newer version whose file the server never delivers whole; a copy that
  // a killed run left behind names it too, and must not bring the prompt.
  WriteBytes(root_ + "Quorvane.exeVer.txt", "1.2\r\n" + std::string(1000, 'n'));
  const char* routes[] = {
      "stall",      // headers, then nothing
      "silent",     // never answers
      "trickle 2",  // 2 bytes a second: only the total limit ends it
      "redirect file:///etc/hostname",
      "status 500",
      "status 404",
  };
  for (const char* route : routes) {
    SCOPED_TRACE(route);
    WriteBytes(app_ + "Quorvane.execfu.tmp", "1.2\r\n");
    server_->Route("/Quorvane.exeVer.txt", route);
    Check();
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(AppFiles(), "Quorvane.exe");
  }
  EXPECT_EQ(server_->Requests(), Requests(std::size(routes), "/Quorvane.exeVer.txt"));
  WriteBytes(app_ + "Quorvane.execfu.tmp", "1.2\r\n");
  source_.base_url = "http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/";
  Check();
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(AppFiles(), "Quorvane.exe");
  EXPECT_EQ(timers_.timer1_switched_on, 0);
}

// A program folder that takes no new file: the version file is read in the
// temporary folder, and a newer version is offered as a start as
// administrator where the system has one, else told; nothing is written
// beside the program.
TEST_F(CheckForUpdateTest, AProtectedProgramFolderOffersAStartAsAdministratorInstead) {
  Publish("1.2\r\n", "new program");
  const struct {
    const char* name;
    bool can_elevate;
    std::deque<MessageAnswer> answers;
    std::string prompt;
    bool started;
  } cases[] = {
      {"no elevation",
       false,
       {MessageAnswer::kOk},
       "A Newer Version Is Available\r\nCannot create a temporary file for \"" + app_ +
           "Quorvane.execfu.tmp\": Permission denied\r\nMove Quorvane.exe to a folder you may "
           "write in to update it.",
       false},
      {"Yes",
       true,
       {MessageAnswer::kYes},
       "A Newer Version Is Available\r\nWindows protects the folder " + app_ +
           ": only Quorvane.exe started as administrator can save it there.\r\nStart "
           "Quorvane.exe Again As Administrator To Download It?",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.shown.clear();
    boxes_.answers = c.answers;
    testing::FakeProcess process;
    process.can_elevate = c.can_elevate;
    // The first new file is the version file's, beside the program.
    platform::FileDownload download(
        testing::FailingAt(platform::PosixFilePrimitives(), "create new", 0, EACCES),
        platform::StreamWithCurl);
    const UpdateServices services{files_,  update_files_, download,      boxes_,  progress_,
                                  timers_, source_,       kTestTimeouts, &process};
    bool ended = false;
    try {
      CheckForUpdate(app_, "Quorvane.exe", "1.1", services);
    } catch (const testing::ProgramEnded&) {
      ended = true;
    }
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].prompt, c.prompt);
    EXPECT_EQ(ended, c.started);
    EXPECT_EQ(process.elevated_in,
              c.started ? std::vector<std::string>{"/games/nox"} : std::vector<std::string>{});
    EXPECT_EQ(AppFiles(), "Quorvane.exe");
  }
}

TEST_F(CheckForUpdateTest, AnswerYesKeepsTheSignedProgramAsNewQuorvaneExe) {
  const std::string program = std::string(
                                  "\x7f"
                                  "ELF new program\0\xff",
                                  19) +
                              std::string(100000, 'p');
  Publish("1.2\r\nnotes that are not signed\r\n", program);
  WriteBytes(app_ + "NewQuorvane.exe", "an older download");
  boxes_.answers = {MessageAnswer::kYes};
  Check();
  ExpectPromptOnly();
  EXPECT_EQ(AppFiles(), "NewQuorvane.exe Quorvane.exe");
  EXPECT_EQ(ReadBytes(app_ + "NewQuorvane.exe"), program);
  EXPECT_EQ(ReadBytes(app_ + "Quorvane.exe"), "old program");
  struct stat info {};
  ASSERT_EQ(::stat((app_ + "NewQuorvane.exe").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & S_IXUSR, S_IXUSR);
  EXPECT_EQ(timers_.timer1_switched_on, 1);
  EXPECT_EQ(server_->Requests(), kAllThree);
  // The download showed in a progress box, closed by now, up to the last byte.
  ASSERT_EQ(progress_.opened.size(), 1u);
  const auto& box = progress_.opened[0];
  EXPECT_EQ(box.title, "Update");
  EXPECT_EQ(box.prompt, "Downloading The New Version");
  EXPECT_FALSE(box.open);
  ASSERT_FALSE(box.updates.empty());
  EXPECT_EQ(box.updates.back(), std::make_pair(std::uint64_t{program.size()},
                                               std::optional<std::uint64_t>(program.size())));
}

TEST_F(CheckForUpdateTest, AnySignatureOrDownloadFailureAfterYesKeepsNothingAndSaysSo) {
  const std::string program(20000, 'n');
  const Keys stranger;
  std::string flipped_signature = SignatureFile(Signer().secret_key, "1.2", program);
  flipped_signature[10] = flipped_signature[10] == '0' ? '1' : '0';
  const struct {
    const char* name;
    std::function<void()> arrange;
    Requests requests;
    const char* expected;  // part of the message
  } cases[] = {
      {"signature missing", [&] { std::filesystem::remove(root_ + "Quorvane.exe.sig"); }, kAllThree,
       "404"},
      {"signed with another key",
       [&] {
         WriteBytes(root_ + "Quorvane.exe.sig", SignatureFile(stranger.secret_key, "1.2", program));
       },
       kAllThree, "not signed with the author's key"},
      {"signed under another version line", [&] { Publish("1.2\r\n", program, "1.0"); }, kAllThree,
       "not signed with the author's key"},
      {"flipped byte in the program",
       [&] { WriteBytes(root_ + "Quorvane.exe", program.substr(1) + "m"); }, kAllThree,
       "not signed with the author's key"},
      {"flipped digit in the signature",
       [&] { WriteBytes(root_ + "Quorvane.exe.sig", flipped_signature); }, kAllThree,
       "not signed with the author's key"},
      {"truncated signature",
       [&] { WriteBytes(root_ + "Quorvane.exe.sig", flipped_signature.substr(0, 100)); }, kAllThree,
       "does not hold a signature"},
      {"an HTML page instead of the program",
       [&] { WriteBytes(root_ + "Quorvane.exe", "<html><body>Moved</body></html>"); }, kAllThree,
       "not signed with the author's key"},
      {"program missing", [&] { std::filesystem::remove(root_ + "Quorvane.exe"); },
       Requests{"/Quorvane.exeVer.txt", "/Quorvane.exe"}, "404"},
      {"program larger than 256 MiB",
       [&] {
         server_->Route("/Quorvane.exe", "announce " + std::to_string(kMaxExecutableBytes + 1));
       },
       Requests{"/Quorvane.exeVer.txt", "/Quorvane.exe"}, "larger than"},
      {"program download stalls", [&] { server_->Route("/Quorvane.exe", "stall"); },
       Requests{"/Quorvane.exeVer.txt", "/Quorvane.exe"}, "nothing received for 1 s"},
      {"program trickles below the floor speed",
       [&] { server_->Route("/Quorvane.exe", "trickle 100"); },
       Requests{"/Quorvane.exeVer.txt", "/Quorvane.exe"}, "less than 1024 bytes a second"},
      {"program redirected to a file address",
       [&] { server_->Route("/Quorvane.exe", "redirect file:///bin/sh"); },
       Requests{"/Quorvane.exeVer.txt", "/Quorvane.exe"}, "file"},
      {"this build has no key", [&] { source_.public_key_hex = ""; }, kVersionOnly, "no valid key"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Publish("1.2\r\n", program);
    std::filesystem::remove(root_ + ".routes");
    std::filesystem::remove(root_ + ".requests");
    source_.public_key_hex = ToHex(Signer().public_key);
    c.arrange();
    boxes_.shown.clear();
    boxes_.answers = {MessageAnswer::kYes, MessageAnswer::kOk};
    timers_.timer1_switched_on = 0;
    Check();
    ASSERT_EQ(boxes_.shown.size(), 2u);
    const platform::Message& told = boxes_.shown[1];
    EXPECT_EQ(told.title, "Update");
    EXPECT_EQ(told.buttons, MessageButtons::kOk);
    EXPECT_EQ(told.icon, MessageIcon::kInformation);
    EXPECT_NE(told.prompt.find(c.expected), std::string::npos) << told.prompt;
    EXPECT_EQ(AppFiles(), "Quorvane.exe");
    EXPECT_EQ(ReadBytes(app_ + "Quorvane.exe"), "old program");
    EXPECT_EQ(timers_.timer1_switched_on, 1);
    EXPECT_EQ(server_->Requests(), c.requests);
    EXPECT_FALSE(progress_.AnyOpen()) << "the box is closed before the failure is told";
  }
}

// Cleanup runs however the check ends, also by errors nobody expects: out of
// memory while the program downloads, and an error of no standard type once
// both files are in.
TEST_F(CheckForUpdateTest, UnexpectedErrorsLeaveNothingBehind) {
  struct Unexpected {};
  struct FailingUpdateFiles final : platform::PosixUpdateFiles {
    void ReadInChunks(const std::string&,
                      const std::function<void(std::span<const std::byte>)>&) override {
      throw Unexpected{};
    }
  } failing;
  Publish("1.2\r\n", std::string(200000, 'n'));
  boxes_.answers = {MessageAnswer::kYes, MessageAnswer::kYes};
  progress_.on_update = [](int) -> bool { throw std::bad_alloc(); };
  EXPECT_THROW(Check(), std::bad_alloc);
  EXPECT_EQ(AppFiles(), "Quorvane.exe");
  progress_.on_update = nullptr;
  EXPECT_THROW(CheckForUpdate(app_, "Quorvane.exe", "1.1",
                              UpdateServices{files_, failing, download_, boxes_, progress_, timers_,
                                             source_, kTestTimeouts}),
               Unexpected);
  EXPECT_EQ(AppFiles(), "Quorvane.exe");
  EXPECT_FALSE(progress_.AnyOpen());
  EXPECT_EQ(boxes_.shown.size(), 2u) << "the two prompts, no failure box";
}

TEST_F(CheckForUpdateTest, NewExecutableThatCannotBeStoredIsToldAndCleanedUp) {
  Publish("1.2\r\n", "new program");
  // A folder where NewQuorvane.exe should go makes the final rename fail.
  std::filesystem::create_directory(app_ + "NewQuorvane.exe");
  boxes_.answers = {MessageAnswer::kYes, MessageAnswer::kOk};
  Check();
  ASSERT_EQ(boxes_.shown.size(), 2u);
  EXPECT_NE(boxes_.shown[1].prompt.find(app_), std::string::npos) << boxes_.shown[1].prompt;
  EXPECT_EQ(AppFiles(), "NewQuorvane.exe Quorvane.exe");
  EXPECT_TRUE(std::filesystem::is_directory(app_ + "NewQuorvane.exe"));
}

// The whole cycle with stand-ins for the window and the processes: the old
// program downloads and starts the new one, which takes the old one's place.
TEST_F(CheckForUpdateTest, WholeCycleLeavesOnlyTheServedProgramAsQuorvaneExe) {
  const std::string program = "new program, version 1.2";
  Publish("1.2\r\n", program);
  testing::FakeProcess old_program;
  old_program.running_name = "Quorvane.exe";
  HandOverState old_state;
  HandOver old_hand_over(
      "Quorvane.exe", files_, boxes_, old_program, timers_, [](bool) {}, old_state);
  boxes_.answers = {MessageAnswer::kYes, MessageAnswer::kOk};
  CheckForUpdate(app_, "Quorvane.exe", "1.1", Services());
  EXPECT_THROW(old_hand_over.Timer1Tick(app_), testing::ProgramEnded);
  ASSERT_EQ(old_program.started, std::vector<std::string>{app_ + "NewQuorvane.exe"});
  EXPECT_EQ(boxes_.shown.back().prompt, "Download Of Update Completed");

  testing::FakeProcess new_program;
  new_program.running_name = "NewQuorvane.exe";
  HandOverState new_state;
  HandOver new_hand_over(
      "Quorvane.exe", files_, boxes_, new_program, timers_, [](bool) {}, new_state);
  CheckForUpdate(app_, "Quorvane.exe", "1.2", Services());
  new_hand_over.Timer2Tick(app_);
  new_hand_over.Timer1Tick(app_);
  EXPECT_EQ(AppFiles(), "Quorvane.exe");
  EXPECT_EQ(ReadBytes(app_ + "Quorvane.exe"), program);
  EXPECT_EQ(timers_.timer2_switched_off, 1);
  EXPECT_TRUE(new_program.started.empty());
  EXPECT_EQ(boxes_.shown.size(), 2u);
}

}  // namespace
}  // namespace tickerloom::update
