// Downloads with WinHTTP, which comes with Windows: platform::FileDownload
// over the Windows file primitives and StreamWithWinHttp.
#pragma once

#include <string>
#include <string_view>

#include "platform/FileDownload.h"

namespace tickerloom::platform::win32 {

// Where a redirect from the address `from` to the Location `location` leads:
// the absolute address (a relative location resolved against `from` with
// UrlCombineW), or why it is not followed: an address that is not http or
// https, or one that leaves https for http.
struct Redirect {
  std::string target;   // empty when refused
  std::string refusal;  // why not, when refused
};
Redirect ResolveRedirect(std::string_view from, std::string_view location);

// A BodyStream over http and https only, with Windows' own TLS and
// certificate store. Redirects are followed here rather than by WinHTTP,
// whose own following Wine gets wrong: at most 5, as ResolveRedirect allows.
// An HTTP error status hands over no body.
//
// The transfer runs on a thread of its own, so that the calling thread can
// keep the limits and call progress every 100 ms even while a blocking
// WinHTTP call waits. A transfer that it gives up on (a cancel, a broken
// limit) is left to end on its thread at its next data or WinHTTP time-out,
// which then lets go of the sink (and FileDownload removes its temporary
// file); should the program end first, the next start does
// (UpdateFiles::RemoveOrphanedTemporaries).
void StreamWithWinHttp(const std::string& url, std::uint64_t max_bytes,
                       const DownloadTimeouts& timeouts, const DownloadProgress& progress,
                       const std::shared_ptr<BodySink>& sink);

}  // namespace tickerloom::platform::win32
