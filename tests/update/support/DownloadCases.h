// What the tests of every download backend share: short limits, so that the
// slow cases end in about a second, a body of recognisable bytes, and the
// rows of the table of failing downloads.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/Download.h"

namespace tickerloom::testing {

inline const platform::DownloadTimeouts kTestTimeouts{.connect = std::chrono::seconds(2),
                                                      .stall = std::chrono::seconds(1)};
inline const platform::DownloadTimeouts kFloorTimeouts{.connect = std::chrono::seconds(2),
                                                       .stall = std::chrono::seconds(1),
                                                       .floor_bytes_per_second = 1024,
                                                       .floor_window = std::chrono::seconds(1)};
inline const platform::DownloadTimeouts kTotalTimeouts{.connect = std::chrono::seconds(2),
                                                       .total = std::chrono::seconds(1),
                                                       .stall = std::chrono::milliseconds(0)};

inline std::string Binary(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131) % 256);
  return bytes;
}

struct FailingDownload {
  const char* name;
  std::string route;  // "PATH ACTION" for the server, or empty
  std::string url;    // relative to the server, or absolute when it has a scheme
  std::uint64_t max_bytes;
  const char* expected;  // part of the error text
  platform::DownloadTimeouts timeouts = kTestTimeouts;
};

}  // namespace tickerloom::testing
