// The download service implemented with libcurl.
#pragma once

#include "platform/Download.h"

namespace tickerloom::platform {

// Synchronous downloads over http and https only (redirects too, at most 5),
// with verified TLS certificates. An HTTP error status stores nothing. The
// body is written to a temporary file next to the destination (named as
// PosixTemporaryFiles names them), flushed to disk and renamed over the
// destination only when the transfer succeeded.
class CurlDownload : public Download {
 public:
  void Fetch(const std::string& url, const std::string& path, std::uint64_t max_bytes,
             const DownloadTimeouts& timeouts, const DownloadProgress& progress) override;
};

}  // namespace tickerloom::platform
