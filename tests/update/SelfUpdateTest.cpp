// The self-update as the window sees it: the hook runs the check and the
// hand-over with the window's folder, message boxes and timers.
#include "update/SelfUpdate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/curl/CurlDownload.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixUpdateFiles.h"
#include "tests/support/TempFolder.h"
#include "tests/update/support/Fakes.h"
#include "tests/update/support/TestKeys.h"
#include "tests/update/support/TestServer.h"
#include "update/Signature.h"

namespace tickerloom::update {
namespace {

using platform::MessageAnswer;
using testing::ListFolder;
using testing::ReadBytes;
using testing::WriteBytes;

class FakeWindowHost final : public window::WindowHost {
 public:
  std::string folder;
  testing::FakeMessageBoxes boxes;
  testing::FakeProgressBoxes progress;
  int timer1_switched_on = 0;
  int timer2_switched_off = 0;

  const std::string& AppFolder() const override { return folder; }
  platform::MessageBoxes& Boxes() override { return boxes; }
  platform::ProgressBoxes& Progress() override { return progress; }
  void SwitchTimer1On() override { ++timer1_switched_on; }
  void SwitchTimer2Off() override { ++timer2_switched_off; }
  void SetWindowShown(bool) override {}
};

class SelfUpdateTest : public ::testing::Test {
 protected:
  SelfUpdateTest() {
    window_.folder = temp_.Path() + "/app/";
    std::filesystem::create_directory(window_.folder);
    std::filesystem::create_directory(root_);
    WriteBytes(window_.folder + "Quorvane.exe", "old program");
    const testing::TestKeys keys;
    public_key_ = keys.public_key;
    secret_key_ = keys.secret_key;
    server_ = std::make_unique<testing::TestServer>(root_);
    hook_ = std::make_unique<SelfUpdate>(
        SelfUpdateServices{files_, update_files_, download_, process_,
                           UpdateSource{server_->BaseUrl(), ToHex(public_key_)}});
  }

  // Serves version_file, and a program signed over version_line.
  void Publish(const std::string& version_file, const std::string& version_line,
               const std::string& program) {
    WriteBytes(root_ + "Quorvane.exeVer.txt", version_file);
    WriteBytes(root_ + "Quorvane.exe", program);
    UpdateDigest digest(version_line);
    digest.Add(std::as_bytes(std::span(program.data(), program.size())));
    WriteBytes(root_ + "Quorvane.exe.sig", ToHex(Sign(secret_key_, digest.Finish())) + "\n");
  }

  testing::TempFolder temp_;
  const std::string root_ = temp_.Path() + "/server/";
  FakeWindowHost window_;
  PublicKey public_key_{};
  SecretKey secret_key_{};
  platform::PosixFileSystem files_;
  platform::PosixUpdateFiles update_files_;
  platform::FileDownload download_{platform::PosixFilePrimitives(), platform::StreamWithCurl};
  testing::FakeProcess process_;
  std::unique_ptr<testing::TestServer> server_;
  std::unique_ptr<SelfUpdate> hook_;
};

TEST_F(SelfUpdateTest, LoadChecksForQuorvaneExeNewerThan11InTheWindowsFolder) {
  // The same version as the program's own: no prompt.
  Publish("1.1\r\n", "1.1", "same version");
  hook_->OnLoad(window_);
  EXPECT_TRUE(window_.boxes.shown.empty());
  EXPECT_EQ(ListFolder(window_.folder), "Quorvane.exe");

  // A newer one: the prompt in the window's boxes, while the local copy of
  // the version file lies in the window's folder; on Yes the signed program
  // lands next to the old one and the window's Timer1 is switched on.
  const std::string program = "new program, version 1.2";
  Publish("1.2\r\n", "1.2", program);
  std::string folder_during_prompt;
  window_.boxes.while_open = [&] { folder_during_prompt = ListFolder(window_.folder); };
  window_.boxes.answers = {MessageAnswer::kYes};
  hook_->OnLoad(window_);
  ASSERT_EQ(window_.boxes.shown.size(), 1u);
  EXPECT_EQ(window_.boxes.shown[0].prompt,
            "A Newer Version Is Available\r\nDo You Want To Download It Now?");
  EXPECT_EQ(folder_during_prompt, "Quorvane.exe Quorvane.execfu.tmp");
  EXPECT_EQ(ListFolder(window_.folder), "NewQuorvane.exe Quorvane.exe");
  EXPECT_EQ(ReadBytes(window_.folder + "NewQuorvane.exe"), program);
  EXPECT_EQ(window_.timer1_switched_on, 1);
  EXPECT_EQ(window_.timer2_switched_off, 0);
  ASSERT_EQ(window_.progress.opened.size(), 1u) << "the download shows in the window's box";
  EXPECT_FALSE(window_.progress.opened[0].open);
  EXPECT_EQ(server_->Requests(),
            (std::vector<std::string>{"/Quorvane.exeVer.txt", "/Quorvane.exeVer.txt",
                                      "/Quorvane.exe", "/Quorvane.exe.sig"}));
}

TEST_F(SelfUpdateTest, TimerTicksHandOverInTheWindowsFolderWithItsBoxesAndTimers) {
  WriteBytes(window_.folder + "NewQuorvane.exe", "new program");

  // The new program: its Timer1 does nothing, its Timer2 takes the old one's
  // place and switches the window's Timer2 off.
  process_.running_name = "NewQuorvane.exe";
  hook_->OnTimer1(window_);
  EXPECT_EQ(ListFolder(window_.folder), "NewQuorvane.exe Quorvane.exe");
  hook_->OnTimer2(window_);
  EXPECT_EQ(ListFolder(window_.folder), "Quorvane.exe");
  EXPECT_EQ(ReadBytes(window_.folder + "Quorvane.exe"), "new program");
  EXPECT_EQ(window_.timer2_switched_off, 1);

  // The old program: Timer1 tells the user in the window's box, starts the
  // new program from the window's folder and ends.
  WriteBytes(window_.folder + "NewQuorvane.exe", "newer program");
  process_.running_name = "Quorvane.exe";
  window_.boxes.answers = {MessageAnswer::kOk};
  EXPECT_THROW(hook_->OnTimer1(window_), testing::ProgramEnded);
  ASSERT_EQ(window_.boxes.shown.size(), 1u);
  EXPECT_EQ(window_.boxes.shown[0].prompt, "Download Of Update Completed");
  EXPECT_EQ(process_.started, std::vector<std::string>{window_.folder + "NewQuorvane.exe"});
  EXPECT_TRUE(window_.boxes.answers.empty());
  EXPECT_EQ(window_.timer1_switched_on, 0);
}

}  // namespace
}  // namespace tickerloom::update
