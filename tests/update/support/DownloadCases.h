// What the tests of every download backend share: short limits, so that the
// slow cases end in about a second, a body of recognisable bytes, and the
// cases every backend must meet alike, run against a backend's loopback
// server and file primitives (DownloadBench).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Download.h"
#include "platform/FileDownload.h"
#include "tests/support/FileFaults.h"
#include "tests/support/TempFolder.h"

namespace tickerloom::testing {

// Limits no transfer of the tests meets unless it is made to: a loaded
// machine may hold up a TLS handshake under Wine for more than a second.
inline const platform::DownloadTimeouts kTestTimeouts{.connect = std::chrono::seconds(60),
                                                      .stall = std::chrono::seconds(60)};
// For the transfers that stall on purpose.
inline const platform::DownloadTimeouts kStallTimeouts{.connect = std::chrono::seconds(60),
                                                       .stall = std::chrono::seconds(1)};
inline const platform::DownloadTimeouts kFloorTimeouts{.connect = std::chrono::seconds(60),
                                                       .stall = std::chrono::seconds(1),
                                                       .floor_bytes_per_second = 1024,
                                                       .floor_window = std::chrono::seconds(1)};
inline const platform::DownloadTimeouts kTotalTimeouts{.connect = std::chrono::seconds(60),
                                                       .total = std::chrono::seconds(1),
                                                       .stall = std::chrono::milliseconds(0)};

inline std::string Binary(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131) % 256);
  return bytes;
}

// A backend's side of the shared cases.
struct DownloadBench {
  // Puts a file on the server, gives a path (such as "/big") one of the
  // server's special answers, and makes an address of a path on it.
  std::function<void(const std::string& name, const std::string& bytes)> serve;
  std::function<void(const std::string& path, const std::string& action)> route;
  std::function<std::string(const std::string& path)> url;
  // The backend's download over the primitives given.
  std::function<std::unique_ptr<platform::Download>(const platform::FilePrimitives&)> download;
  const platform::FilePrimitives& native;
  std::string out;  // the downloads' folder, ending in a separator
  // Whether out holds only the listing, at once or, where a transfer given
  // up on ends on a thread of its own, soon.
  std::function<bool(const std::string& listing)> out_holds_only;
};

struct FailingDownload {
  const char* name;
  std::string route;  // "PATH ACTION" for the server, or empty
  std::string url;    // relative to the server, or absolute when it has a scheme
  std::uint64_t max_bytes;
  const char* libcurl;  // part of the error text, with libcurl and with WinHTTP
  const char* winhttp;
  platform::DownloadTimeouts timeouts = kTestTimeouts;
};

// Every kind of failing transfer. closed_url: an address where nothing
// listens; https_url: one of the plain server's files over https.
inline std::vector<FailingDownload> FailingDownloads(const std::string& closed_url,
                                                     const std::string& https_url) {
  return {
      {"not found", "", "missing", 100, "404", "HTTP status 404"},
      {"server error", "/broken status 500", "broken", 100, "500", "HTTP status 500"},
      {"no content length, too long", "/unsized nolength", "unsized", 5000, "larger than 5000",
       "larger than 5000"},
      {"content length too long", "", "big", 5000, "larger than 5000", "larger than 5000"},
      {"endless data", "/endless endless", "endless", 5000000, "larger than 5000000",
       "larger than 5000000"},
      {"six redirects", "", "c1", 100, "redirect", "more than 5 redirects"},
      {"redirect to file", "/tofile redirect file:///C:/windows/win.ini", "tofile", 100, "file",
       "\"file:///C:/windows/win.ini\", which is neither http nor https"},
      {"redirect to ftp", "/toftp redirect ftp://127.0.0.1/x", "toftp", 100, "ftp",
       "\"ftp://127.0.0.1/x\", which is neither http nor https"},
      {"file address", "", "file:///C:/windows/win.ini", 100, "file", "only http and https"},
      {"unreachable", "", closed_url, 100, "onnect",
       "onnection with the server could not be established"},
      {"https to a plain server", "", https_url, 10000, "SSL", "secure channel"},
      {"stalls after the headers", "/stall stall", "stall", 1000000, "nothing received for 1 s",
       "nothing received for 1 s", kStallTimeouts},
      {"never answers", "/silent silent", "silent", 1000000, "nothing received for 1 s",
       "nothing received for 1 s", kStallTimeouts},
      {"trickles below the floor speed", "/slow trickle 100", "slow", 1000000,
       "less than 1024 bytes a second over 1 s", "less than 1024 bytes a second over 1 s",
       kFloorTimeouts},
      {"trickles past the total time", "/drip trickle 2", "drip", 1000000, "timed out",
       "not complete after 1 s", kTotalTimeouts},
      {"never answers within the total time", "/silent silent", "silent", 1000000, "timed out",
       "not complete after 1 s", kTotalTimeouts},
  };
}

// Each failure is told with the address and the backend's text (expected),
// keeps the older file and leaves nothing else.
inline void ExpectEachFailureKeepsTheOldFile(const DownloadBench& bench,
                                             const std::vector<FailingDownload>& cases,
                                             const char* FailingDownload::*expected) {
  bench.serve("big", Binary(5001));
  bench.serve("unsized", Binary(5001));
  for (int i = 1; i <= 6; ++i) {
    bench.route("/c" + std::to_string(i), "redirect /c" + std::to_string(i + 1));
  }
  bench.serve("c7", "too far");
  const auto download = bench.download(bench.native);
  for (const FailingDownload& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.route.empty()) {
      const auto blank = c.route.find(' ');
      bench.route(c.route.substr(0, blank), c.route.substr(blank + 1));
    }
    const std::string url = c.url.find(':') == std::string::npos ? bench.url(c.url) : c.url;
    WriteBytes(bench.out + "kept", "older contents");
    try {
      download->Fetch(url, bench.out + "kept", c.max_bytes, c.timeouts, {});
      ADD_FAILURE() << "no error";
    } catch (const platform::DownloadError& error) {
      const std::string text = error.what();
      EXPECT_EQ(text.rfind("Cannot download " + url + ": ", 0), 0u) << text;
      EXPECT_NE(text.find(c.*expected), std::string::npos) << text;
    }
    EXPECT_EQ(ReadBytes(bench.out + "kept"), "older contents");
    EXPECT_TRUE(bench.out_holds_only("kept")) << ListFolder(bench.out);
  }
}

// A download whose file steps fail in turn, each as on a full disk: the
// failure is told with the OS's text and the older file stays, with nothing
// else beside it.
inline void ExpectEachFileStepFailureKeepsTheOldFile(const DownloadBench& bench, int disk_full) {
  const std::string body = Binary(100000);
  bench.serve("file.bin", body);
  std::vector<std::string> steps;
  bench.download(Noting(bench.native, steps))
      ->Fetch(bench.url("file.bin"), bench.out + "file.bin", body.size(), kTestTimeouts, {});
  ASSERT_EQ(ReadBytes(bench.out + "file.bin"), body);
  const std::string text = bench.native.error_text(disk_full);
  for (std::size_t index = 0; index < steps.size(); ++index) {
    SCOPED_TRACE(::testing::Message() << "step " << index << ", " << steps[index]);
    WriteBytes(bench.out + "file.bin", "older contents");
    try {
      bench.download(FailingAt(bench.native, "", index, disk_full))
          ->Fetch(bench.url("file.bin"), bench.out + "file.bin", body.size(), kTestTimeouts, {});
      ADD_FAILURE() << "no error";
    } catch (const platform::DownloadError& error) {
      EXPECT_TRUE(std::string(error.what()).ends_with("\": " + text)) << error.what();
    }
    EXPECT_EQ(ReadBytes(bench.out + "file.bin"), "older contents");
    EXPECT_TRUE(bench.out_holds_only("file.bin")) << ListFolder(bench.out);
  }
}

// The body byte for byte over an older file, and a body of exactly the
// limit, with and without a length announced.
inline void ExpectWholeBodiesUpToTheLimit(const DownloadBench& bench) {
  const auto download = bench.download(bench.native);
  const std::string body = Binary(300000);
  bench.serve("file.bin", body);
  WriteBytes(bench.out + "file.bin", "older contents");
  download->Fetch(bench.url("file.bin"), bench.out + "file.bin", body.size(), kTestTimeouts, {});
  EXPECT_EQ(ReadBytes(bench.out + "file.bin"), body);
  bench.serve("sized", Binary(5000));
  bench.serve("unsized", Binary(5000));
  bench.route("/unsized", "nolength");
  download->Fetch(bench.url("sized"), bench.out + "a", 5000, kTestTimeouts, {});
  download->Fetch(bench.url("unsized"), bench.out + "b", 5000, kTestTimeouts, {});
  EXPECT_EQ(ListFolder(bench.out), "a b file.bin");
  EXPECT_EQ(ReadBytes(bench.out + "b"), Binary(5000));
}

}  // namespace tickerloom::testing
