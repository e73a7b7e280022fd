#include "platform/curl/CurlDownload.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/posix/PosixFiles.h"
#include "tests/support/TempFolder.h"
#include "tests/update/support/DownloadCases.h"
#include "tests/update/support/TestServer.h"

namespace tickerloom::platform {
namespace {

using testing::Binary;
using testing::FailingDownload;
using testing::kTestTimeouts;
using testing::ListFolder;
using testing::ReadBytes;
using testing::TempFolder;
using testing::TestServer;
using testing::WriteBytes;

class CurlDownloadTest : public ::testing::Test {
 protected:
  CurlDownloadTest() {
    std::filesystem::create_directory(temp_.Path() + "/server");
    std::filesystem::create_directory(temp_.Path() + "/out");
    server_ = std::make_unique<TestServer>(temp_.Path() + "/server");
  }
  std::string Served(const std::string& name) const { return temp_.Path() + "/server/" + name; }
  std::string Url(const std::string& path) const { return server_->BaseUrl() + path; }
  std::string Out() const { return temp_.Path() + "/out/"; }

  void Fetch(const std::string& url, const std::string& path, std::uint64_t max_bytes,
             const DownloadTimeouts& timeouts = kTestTimeouts,
             const DownloadProgress& progress = {}) {
    download_.Fetch(url, path, max_bytes, timeouts, progress);
  }
  testing::DownloadBench Bench() {
    return {.serve = [this](const std::string& name,
                            const std::string& bytes) { WriteBytes(Served(name), bytes); },
            .route = [this](const std::string& path,
                            const std::string& action) { server_->Route(path, action); },
            .url = [this](const std::string& path) { return Url(path); },
            .download = [](const FilePrimitives& os) -> std::unique_ptr<Download> {
              return std::make_unique<FileDownload>(os, StreamWithCurl);
            },
            .native = PosixFilePrimitives(),
            .out = Out(),
            .out_holds_only =
                [this](const std::string& listing) { return ListFolder(Out()) == listing; }};
  }

  TempFolder temp_;
  std::unique_ptr<TestServer> server_;
  FileDownload download_{PosixFilePrimitives(), StreamWithCurl};
};

TEST_F(CurlDownloadTest, StoresWholeBodiesUpToTheLimitOverOlderFiles) {
  testing::ExpectWholeBodiesUpToTheLimit(Bench());
}

TEST_F(CurlDownloadTest, FollowsUpToFiveHttpRedirects) {
  WriteBytes(Served("target"), "arrived");
  for (int i = 1; i <= 5; ++i) {
    server_->Route("/r" + std::to_string(i),
                   "redirect " + (i == 5 ? Url("target") : "/r" + std::to_string(i + 1)));
  }
  Fetch(Url("r1"), Out() + "got", 100);
  EXPECT_EQ(ReadBytes(Out() + "got"), "arrived");
}

TEST_F(CurlDownloadTest, FailuresKeepTheOldFileLeaveNothingElseAndNameTheUrl) {
  testing::ExpectEachFailureKeepsTheOldFile(
      Bench(),
      testing::FailingDownloads("http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/x",
                                "https://127.0.0.1:" + std::to_string(server_->Port()) + "/big"),
      &FailingDownload::libcurl);
}

TEST_F(CurlDownloadTest, AFileStepThatFailsKeepsTheOldFileAndLeavesNothingElse) {
  testing::ExpectEachFileStepFailureKeepsTheOldFile(Bench(), ENOSPC);
}

TEST(CurlDownload, RefusesAServerWhoseCertificateNobodyVouchesFor) {
  TempFolder temp;
  std::filesystem::create_directory(temp.Path() + "/server");
  WriteBytes(temp.Path() + "/server/file", "x");
  TestServer server(temp.Path() + "/server", true);
  const std::string url = server.BaseUrl() + "file";
  try {
    FileDownload(PosixFilePrimitives(), StreamWithCurl)
        .Fetch(url, temp.Path() + "/file", 100, kTestTimeouts, {});
    ADD_FAILURE() << "no error";
  } catch (const DownloadError& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find(url), std::string::npos) << text;
    EXPECT_NE(text.find("certificate"), std::string::npos) << text;
  }
  EXPECT_EQ(ListFolder(temp.Path()), "server");
}

TEST_F(CurlDownloadTest, UnwritableDestinationNamesThePath) {
  WriteBytes(Served("file"), "x");
  const std::string missing = temp_.Path() + "/no such folder/file";
  try {
    Fetch(Url("file"), missing, 100);
    ADD_FAILURE() << "no error";
  } catch (const DownloadError& error) {
    EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos);
  }
  // A folder where the file should go: the download succeeds, storing it fails.
  std::filesystem::create_directory(Out() + "folder");
  try {
    Fetch(Url("file"), Out() + "folder", 100);
    ADD_FAILURE() << "no error";
  } catch (const DownloadError& error) {
    EXPECT_NE(std::string(error.what()).find(Out() + "folder"), std::string::npos) << error.what();
  }
  EXPECT_EQ(ListFolder(Out()), "folder");
}

// Progress sees every byte (and the length when announced) while the body
// goes to a temporary file that names its destination and this process.
TEST_F(CurlDownloadTest, ProgressSeesTheBytesAndTheLengthWhenAnnounced) {
  const std::string body = Binary(300000);
  WriteBytes(Served("sized"), body);
  WriteBytes(Served("unsized"), body);
  server_->Route("/unsized", "nolength");
  for (const auto& [name, length] : {std::pair{"sized", std::optional<std::uint64_t>(body.size())},
                                     std::pair{"unsized", std::optional<std::uint64_t>()}}) {
    std::pair<std::uint64_t, std::optional<std::uint64_t>> last;
    std::string folder;
    Fetch(Url(name), Out() + name, body.size(), kTestTimeouts,
          [&](std::uint64_t received, std::optional<std::uint64_t> total) {
            last = {received, total};
            folder = ListFolder(Out());
            return true;
          });
    EXPECT_EQ(last, std::make_pair(std::uint64_t{body.size()}, length)) << name;
    EXPECT_NE(folder.find("." + std::string(name) + ".tmp-" + std::to_string(::getpid()) + "-"),
              std::string::npos)
        << folder;
  }
}

}  // namespace
}  // namespace tickerloom::platform
