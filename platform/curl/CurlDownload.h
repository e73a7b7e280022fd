// The download service implemented with libcurl.
#pragma once

#include "platform/FileDownload.h"
#include "platform/posix/PosixFiles.h"

namespace tickerloom::platform {

// Synchronous transfers over http and https only (redirects too, at most 5),
// with verified TLS certificates. An HTTP error status hands over no body.
class CurlSource final : public BodySource {
 public:
  void Stream(const std::string& url, std::uint64_t max_bytes, const DownloadTimeouts& timeouts,
              const DownloadProgress& progress, const std::shared_ptr<BodySink>& sink) override;
};

// Downloads through libcurl into files beside their destination.
class CurlDownload final : public FileDownload {
 public:
  CurlDownload() : FileDownload(PosixFilePrimitives(), std::make_unique<CurlSource>()) {}
};

}  // namespace tickerloom::platform
