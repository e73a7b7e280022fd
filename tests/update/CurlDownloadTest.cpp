#include "platform/curl/CurlDownload.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <filesystem>
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
using testing::kFloorTimeouts;
using testing::kTestTimeouts;
using testing::kTotalTimeouts;
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

  TempFolder temp_;
  std::unique_ptr<TestServer> server_;
  FileDownload download_{PosixFilePrimitives(), StreamWithCurl};
};

TEST_F(CurlDownloadTest, StoresTheBodyExactlyAndReplacesAnOlderFile) {
  const std::string body = Binary(300000);
  WriteBytes(Served("file.bin"), body);
  WriteBytes(Out() + "file.bin", "older contents");
  Fetch(Url("file.bin"), Out() + "file.bin", body.size());
  EXPECT_EQ(ReadBytes(Out() + "file.bin"), body);
  EXPECT_EQ(ListFolder(Out()), "file.bin");
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

TEST_F(CurlDownloadTest, BodyOfExactlyTheLimitIsAccepted) {
  WriteBytes(Served("sized"), Binary(5000));
  server_->Route("/unsized", "nolength");
  WriteBytes(Served("unsized"), Binary(5000));
  Fetch(Url("sized"), Out() + "a", 5000);
  Fetch(Url("unsized"), Out() + "b", 5000);
  EXPECT_EQ(ListFolder(Out()), "a b");
  EXPECT_EQ(ReadBytes(Out() + "b"), Binary(5000));
}

TEST_F(CurlDownloadTest, FailuresKeepTheOldFileLeaveNothingElseAndNameTheUrl) {
  WriteBytes(Served("big"), Binary(5001));
  WriteBytes(Served("unsized"), Binary(5001));
  std::string chain;
  for (int i = 1; i <= 6; ++i) {
    server_->Route("/c" + std::to_string(i), "redirect /c" + std::to_string(i + 1));
  }
  WriteBytes(Served("c7"), "too far");
  const std::string closed = "http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/x";
  const FailingDownload cases[] = {
      {"not found", "", "missing", 100, "404"},
      {"server error", "/broken status 500", "broken", 100, "500"},
      {"no content length, too long", "/unsized nolength", "unsized", 5000, "larger than 5000"},
      {"content length too long", "", "big", 5000, "larger than 5000"},
      {"endless data", "/endless endless", "endless", 5000000, "larger than 5000000"},
      {"six redirects", "", "c1", 100, "redirect"},
      {"redirect to file", "/tofile redirect file:///etc/hostname", "tofile", 100, "file"},
      {"redirect to ftp", "/toftp redirect ftp://127.0.0.1/x", "toftp", 100, "ftp"},
      {"file address", "", "file:///etc/hostname", 100, "file"},
      {"unreachable", "", closed, 100, "onnect"},
      {"https to a plain server", "",
       "https://127.0.0.1:" + std::to_string(server_->Port()) + "/big", 10000, "SSL"},
      {"stalls after the headers", "/stall stall", "stall", 1000000, "nothing received for 1 s"},
      {"never answers", "/silent silent", "silent", 1000000, "nothing received for 1 s"},
      {"trickles below the floor speed", "/slow trickle 100", "slow", 1000000,
       "less than 1024 bytes a second over 1 s", kFloorTimeouts},
      {"trickles past the total time", "/drip trickle 2", "drip", 1000000, "timed out",
       kTotalTimeouts},
      {"never answers within the total time", "/silent silent", "silent", 1000000, "timed out",
       kTotalTimeouts},
  };
  for (const FailingDownload& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.route.empty()) {
      const auto blank = c.route.find(' ');
      server_->Route(c.route.substr(0, blank), c.route.substr(blank + 1));
    }
    const std::string url = c.url.find(':') == std::string::npos ? Url(c.url) : c.url;
    WriteBytes(Out() + "kept", "older contents");
    try {
      Fetch(url, Out() + "kept", c.max_bytes, c.timeouts);
      ADD_FAILURE() << "no error";
    } catch (const DownloadError& error) {
      const std::string text = error.what();
      EXPECT_NE(text.find(url), std::string::npos) << text;
      EXPECT_NE(text.find(c.expected), std::string::npos) << text;
    }
    EXPECT_EQ(ReadBytes(Out() + "kept"), "older contents");
    EXPECT_EQ(ListFolder(Out()), "kept");
  }
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
