// Downloads over HTTP(S), as a platform service.
#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tickerloom::platform {

// A failed download. what() holds the client's own error text and the URL (or
// the OS's error text and the path when the file could not be written).
class DownloadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Download {
 public:
  virtual ~Download() = default;
  // Fetches url synchronously and stores its body at path, replacing a file of
  // that name. A body longer than max_bytes is refused. Only a complete,
  // successful transfer reaches path: on any failure (no connection, an HTTP
  // error status, a time-out, too many bytes) the file at path is left as it
  // was and no partial file stays behind; DownloadError is thrown.
  virtual void Fetch(const std::string& url, const std::string& path, std::uint64_t max_bytes) = 0;
};

// How long a download may wait: for the connection, and for the next byte.
struct DownloadTimeouts {
  std::chrono::milliseconds connect{std::chrono::seconds(10)};
  // A transfer that receives nothing for this long is ended. Whole seconds.
  std::chrono::seconds stall{30};
};

}  // namespace tickerloom::platform
