#include "platform/TransferWatch.h"

namespace tickerloom::platform {
namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Limits are told in whole seconds when they are whole seconds.
std::string Duration(milliseconds length) {
  if (length.count() % 1000 == 0)
    return std::to_string(duration_cast<seconds>(length).count()) + " s";
  return std::to_string(length.count()) + " ms";
}

// A sample is kept at most every 1/64 of the floor window, so the queue stays
// short; the window measured may then be up to 1/64 longer, never shorter.
constexpr int kSamplesPerWindow = 64;

}  // namespace

TransferWatch::TransferWatch(const DownloadTimeouts& timeouts, Clock::time_point start)
    : timeouts_(timeouts), start_(start), last_arrival_(start) {
  samples_.push_back({start, 0});
}

std::optional<std::string> TransferWatch::Check(Clock::time_point now, std::uint64_t received) {
  if (received > received_) {
    received_ = received;
    last_arrival_ = now;
  }
  if (timeouts_.total.count() > 0 && now - start_ >= timeouts_.total) {
    return "not complete after " + Duration(timeouts_.total);
  }
  if (timeouts_.stall.count() > 0 && now - last_arrival_ >= timeouts_.stall) {
    return "nothing received for " + Duration(timeouts_.stall);
  }
  if (timeouts_.floor_bytes_per_second == 0 || timeouts_.floor_window.count() <= 0) {
    return std::nullopt;
  }
  if (now - samples_.back().time >= timeouts_.floor_window / kSamplesPerWindow) {
    samples_.push_back({now, received_});
  }
  const Clock::time_point window_start = now - timeouts_.floor_window;
  while (samples_.size() > 1 && samples_[1].time <= window_start) samples_.pop_front();
  if (now - start_ < timeouts_.floor_window) return std::nullopt;
  const std::uint64_t in_window = received_ - samples_.front().received;
  const auto window_ms = static_cast<std::uint64_t>(timeouts_.floor_window.count());
  if (in_window * 1000 < timeouts_.floor_bytes_per_second * window_ms) {
    return "less than " + std::to_string(timeouts_.floor_bytes_per_second) +
           " bytes a second over " + Duration(timeouts_.floor_window);
  }
  return std::nullopt;
}

}  // namespace tickerloom::platform
