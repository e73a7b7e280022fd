// Downloads with libcurl: platform::FileDownload over the POSIX file
// primitives and StreamWithCurl.
#pragma once

#include "platform/FileDownload.h"

namespace tickerloom::platform {

// A BodyStream over http and https only (redirects too, at most 5), with
// verified TLS certificates. An HTTP error status hands over no body.
void StreamWithCurl(const std::string& url, std::uint64_t max_bytes,
                    const DownloadTimeouts& timeouts, const DownloadProgress& progress,
                    const std::shared_ptr<BodySink>& sink);

}  // namespace tickerloom::platform
