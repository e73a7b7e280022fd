// Downloads over HTTP(S), as a platform service.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace tickerloom::platform {

// A failed download. what() holds the client's own error text and the URL (or
// the OS's error text and the path when the file could not be written).
class DownloadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A download that could not begin because the system refuses the user a new
// file in the folder of its path (a folder Windows protects, or one the user
// may not write).
class DownloadFolderDenied : public DownloadError {
 public:
  using DownloadError::DownloadError;
};

// A download that the progress callback ended; nothing was kept.
class DownloadCancelled : public DownloadError {
 public:
  using DownloadError::DownloadError;
};

// How long a download may take. A limit that is zero does not apply.
struct DownloadTimeouts {
  // For the connection to the server.
  std::chrono::milliseconds connect{std::chrono::seconds(10)};
  // For the whole transfer: connecting, the request and every byte of the body.
  std::chrono::milliseconds total{0};
  // A transfer that receives nothing for this long is ended.
  std::chrono::milliseconds stall{std::chrono::seconds(30)};
  // A transfer that has run for floor_window and received fewer than
  // floor_bytes_per_second on average over the last floor_window is ended.
  std::uint64_t floor_bytes_per_second = 0;
  std::chrono::milliseconds floor_window{std::chrono::seconds(30)};
};

// Told the bytes of the body received so far and the body's length when the
// server announced one; returns false to cancel the download. Called on the
// thread that called Fetch, whenever data arrives and, while none does, at
// least about once a second, so that a cancel is noticed.
using DownloadProgress =
    std::function<bool(std::uint64_t received, std::optional<std::uint64_t> total)>;

class Download {
 public:
  virtual ~Download() = default;
  // Fetches url synchronously and stores its body at path, replacing a file of
  // that name. A body longer than max_bytes is refused; so is a transfer that
  // breaks one of the timeouts. Only a complete, successful transfer reaches
  // path: on any failure (no connection, an HTTP error status, a time-out, too
  // many bytes) the file at path is left as it was and no partial file stays
  // behind; DownloadError is thrown, DownloadCancelled when progress returned
  // false. progress may be empty. While the transfer runs, the body is kept in
  // a temporary file beside path that UpdateFiles::RemoveOrphanedTemporaries
  // (path) recognises, should the process die.
  virtual void Fetch(const std::string& url, const std::string& path, std::uint64_t max_bytes,
                     const DownloadTimeouts& timeouts, const DownloadProgress& progress) = 0;
};

}  // namespace tickerloom::platform
