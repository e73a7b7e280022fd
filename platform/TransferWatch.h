// The limits of DownloadTimeouts that a download client cannot enforce by
// itself (the stall, the floor speed and the total time), decided from the
// bytes received at each moment the client reports. Shared by the backends so
// that every platform ends a slow transfer at the same point.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "platform/Download.h"

namespace tickerloom::platform {

class TransferWatch {
 public:
  using Clock = std::chrono::steady_clock;

  TransferWatch(const DownloadTimeouts& timeouts, Clock::time_point start);

  // Notes that `received` bytes had arrived by `now` (never less than before)
  // and returns why the transfer must end, or nothing while it may go on.
  std::optional<std::string> Check(Clock::time_point now, std::uint64_t received);

 private:
  struct Sample {
    Clock::time_point time;
    std::uint64_t received;
  };

  DownloadTimeouts timeouts_;
  Clock::time_point start_;
  Clock::time_point last_arrival_;
  std::uint64_t received_ = 0;
  // Enough of the recent past to know what arrived during the last floor
  // window: the oldest sample lies at or before its start.
  std::deque<Sample> samples_;
};

}  // namespace tickerloom::platform
