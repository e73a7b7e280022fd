#include "platform/curl/CurlDownload.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/support/TempFolder.h"
#include "tests/update/support/TestServer.h"

namespace tickerloom::platform {
namespace {

using testing::ListFolder;
using testing::ReadBytes;
using testing::TempFolder;
using testing::TestServer;
using testing::WriteBytes;

// Short limits, so that the stall cases end in about a second.
const DownloadTimeouts kTestTimeouts{std::chrono::milliseconds(2000), std::chrono::seconds(1)};

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

  TempFolder temp_;
  std::unique_ptr<TestServer> server_;
  CurlDownload download_{kTestTimeouts};
};

std::string Binary(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131) % 256);
  return bytes;
}

TEST_F(CurlDownloadTest, StoresTheBodyExactlyAndReplacesAnOlderFile) {
  const std::string body = Binary(300000);
  WriteBytes(Served("file.bin"), body);
  WriteBytes(Out() + "file.bin", "older contents");
  download_.Fetch(Url("file.bin"), Out() + "file.bin", body.size());
  EXPECT_EQ(ReadBytes(Out() + "file.bin"), body);
  EXPECT_EQ(ListFolder(Out()), "file.bin");
}

TEST_F(CurlDownloadTest, FollowsUpToFiveHttpRedirects) {
  WriteBytes(Served("target"), "arrived");
  for (int i = 1; i <= 5; ++i) {
    server_->Route("/r" + std::to_string(i),
                   "redirect " + (i == 5 ? Url("target") : "/r" + std::to_string(i + 1)));
  }
  download_.Fetch(Url("r1"), Out() + "got", 100);
  EXPECT_EQ(ReadBytes(Out() + "got"), "arrived");
}

TEST_F(CurlDownloadTest, BodyOfExactlyTheLimitIsAccepted) {
  WriteBytes(Served("sized"), Binary(5000));
  server_->Route("/unsized", "nolength");
  WriteBytes(Served("unsized"), Binary(5000));
  download_.Fetch(Url("sized"), Out() + "a", 5000);
  download_.Fetch(Url("unsized"), Out() + "b", 5000);
  EXPECT_EQ(ListFolder(Out()), "a b");
  EXPECT_EQ(ReadBytes(Out() + "b"), Binary(5000));
}

struct Failing {
  const char* name;
  std::string route;  // "PATH ACTION" for the server, or empty
  std::string url;    // relative to the server, or absolute when it has a scheme
  std::uint64_t max_bytes;
  const char* expected;  // part of the error text
};

TEST_F(CurlDownloadTest, FailuresKeepTheOldFileLeaveNothingElseAndNameTheUrl) {
  WriteBytes(Served("big"), Binary(5001));
  WriteBytes(Served("unsized"), Binary(5001));
  std::string chain;
  for (int i = 1; i <= 6; ++i) {
    server_->Route("/c" + std::to_string(i), "redirect /c" + std::to_string(i + 1));
  }
  WriteBytes(Served("c7"), "too far");
  const std::string closed = "http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/x";
  const Failing cases[] = {
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
      {"stalls after the headers", "/stall stall", "stall", 1000000, "too slow"},
      {"never answers", "/silent silent", "silent", 1000000, "too slow"},
  };
  for (const Failing& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.route.empty()) {
      const auto blank = c.route.find(' ');
      server_->Route(c.route.substr(0, blank), c.route.substr(blank + 1));
    }
    const std::string url = c.url.find(':') == std::string::npos ? Url(c.url) : c.url;
    WriteBytes(Out() + "kept", "older contents");
    try {
      download_.Fetch(url, Out() + "kept", c.max_bytes);
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
    CurlDownload(kTestTimeouts).Fetch(url, temp.Path() + "/file", 100);
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
    download_.Fetch(Url("file"), missing, 100);
    ADD_FAILURE() << "no error";
  } catch (const DownloadError& error) {
    EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos);
  }
  // A folder where the file should go: the download succeeds, storing it fails.
  std::filesystem::create_directory(Out() + "folder");
  try {
    download_.Fetch(Url("file"), Out() + "folder", 100);
    ADD_FAILURE() << "no error";
  } catch (const DownloadError& error) {
    EXPECT_NE(std::string(error.what()).find(Out() + "folder"), std::string::npos) << error.what();
  }
  EXPECT_EQ(ListFolder(Out()), "folder");
}

}  // namespace
}  // namespace tickerloom::platform
