// A download to a file (Download.h) written once over a backend's file
// primitives (FilePrimitives.h): the body goes to a temporary file beside
// the destination, which is flushed to disk and renamed over the destination
// only when the whole transfer succeeded, and removed otherwise. A backend of
// the transfer (platform/curl, platform/win32) only hands the body's bytes
// over as they arrive, keeping the limits.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/Download.h"
#include "platform/FilePrimitives.h"

namespace tickerloom::platform {

// Where a transfer puts the body's bytes.
class BodySink {
 public:
  virtual ~BodySink() = default;
  // Stores the bytes after those before; returns why not when they cannot be
  // stored ("cannot write next to "<destination>": <the OS's text>").
  virtual std::optional<std::string> Store(std::span<const char> bytes) = 0;
};

// The transfer of an address's body, for Download::Fetch: fetches url and
// hands the body's bytes to sink in order, keeping the limits and telling
// progress as Download::Fetch says, and returns once the whole body is in
// sink. Throws DownloadError (DownloadCancelled when progress ended it); a
// sink that cannot store the bytes ends the transfer with its reason, as
// "Cannot download <url>: <reason>". May hold on to sink after it returns,
// on a thread of its own.
using BodyStream = std::function<void(
    const std::string& url, std::uint64_t max_bytes, const DownloadTimeouts& timeouts,
    const DownloadProgress& progress, const std::shared_ptr<BodySink>& sink)>;

class FileDownload final : public Download {
 public:
  FileDownload(FilePrimitives os, BodyStream stream);

  // The temporary file is the one CreateTemporaryBeside makes for path (mode
  // 0600), so UpdateFiles::RemoveOrphanedTemporaries recognises it; it goes
  // when the transfer ends without success, or when the stream lets go of
  // it, whichever comes later.
  void Fetch(const std::string& url, const std::string& path, std::uint64_t max_bytes,
             const DownloadTimeouts& timeouts, const DownloadProgress& progress) override;

 private:
  std::shared_ptr<const FilePrimitives> os_;
  BodyStream stream_;
};

}  // namespace tickerloom::platform
