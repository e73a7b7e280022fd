#include "platform/TransferWatch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

namespace tickerloom::platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// The executable's limits and the version check's, as the update uses them.
const DownloadTimeouts kFloor{
    .stall = seconds(30), .floor_bytes_per_second = 1024, .floor_window = seconds(30)};
const DownloadTimeouts kTotal{.total = seconds(10), .stall = seconds(10)};

TEST(TransferWatch, EndsAStallASlowTransferAndALongOneExactlyAtTheirLimits) {
  const struct {
    const char* name;
    DownloadTimeouts timeouts;
    std::function<std::uint64_t(int tenth)> received_at;  // bytes by each tenth of a second
    int ends_at;                                          // the tenth, or -1 for never
    const char* reason;
  } cases[] = {
      {"one byte, then nothing", DownloadTimeouts{.stall = seconds(30)},
       [](int t) { return t >= 200 ? 1 : 0; }, 500, "nothing received for 30 s"},
      {"exactly the floor speed", kFloor, [](int t) { return std::uint64_t(t) * 1024 / 10; }, -1,
       ""},
      {"just under the floor speed", kFloor, [](int t) { return std::uint64_t(t) * 1020 / 10; },
       300, "less than 1024 bytes a second over 30 s"},
      {"fast, then 2 bytes a second", kFloor,
       [](int t) { return t < 10 ? std::uint64_t(t) * 100000 : 1000000 + std::uint64_t(t) / 5; },
       310, "less than 1024 bytes a second over 30 s"},
      {"2 bytes a second against the total limit", kTotal,
       [](int t) { return std::uint64_t(t) / 5; }, 100, "not complete after 10 s"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TransferWatch::Clock::time_point start{seconds(1000)};
    TransferWatch watch(c.timeouts, start);
    int ended_at = -1;
    std::string reason;
    for (int tenth = 0; tenth <= 1200 && ended_at < 0; ++tenth) {
      if (const auto why = watch.Check(start + milliseconds(100 * tenth), c.received_at(tenth))) {
        ended_at = tenth;
        reason = *why;
      }
    }
    EXPECT_EQ(ended_at, c.ends_at);
    EXPECT_EQ(reason, c.reason);
  }
}

}  // namespace
}  // namespace tickerloom::platform
