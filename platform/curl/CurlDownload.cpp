#include "platform/curl/CurlDownload.h"

#include <curl/curl.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/TransferWatch.h"

namespace tickerloom::platform {
namespace {

constexpr long kMaxRedirects = 5;

void InitialiseCurlOnce() {
  static std::once_flag once;
  static CURLcode result = CURLE_OK;
  std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
  if (result != CURLE_OK) {
    throw DownloadError(std::string("Cannot initialise libcurl: ") + curl_easy_strerror(result));
  }
}

struct Transfer {
  BodySink& sink;
  std::uint64_t max_bytes;
  TransferWatch watch;
  const DownloadProgress& progress;
  std::uint64_t received = 0;
  bool too_large = false;
  std::optional<std::string> write_failure = std::nullopt;
  bool cancelled = false;
  std::optional<std::string> limit_broken = std::nullopt;
  std::exception_ptr progress_error = nullptr;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (bytes > transfer->max_bytes - transfer->received) {
    transfer->too_large = true;
    return 0;  // ends the transfer with CURLE_WRITE_ERROR
  }
  transfer->write_failure = transfer->sink.Store(std::span<const char>(data, bytes));
  if (transfer->write_failure) return 0;
  transfer->received += bytes;
  return bytes;
}

// libcurl's progress callback: applies the limits that libcurl has no option
// for, and asks the caller whether to go on. Nothing may be thrown into libcurl.
int CheckProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t /*upload_total*/,
                  curl_off_t /*uploaded*/) {
  auto* transfer = static_cast<Transfer*>(user);
  const auto received = static_cast<std::uint64_t>(now);
  try {
    transfer->limit_broken = transfer->watch.Check(TransferWatch::Clock::now(), received);
    if (transfer->limit_broken) return 1;
    std::optional<std::uint64_t> length;
    if (total > 0) length = static_cast<std::uint64_t>(total);
    transfer->cancelled = transfer->progress && !transfer->progress(received, length);
  } catch (...) {
    transfer->progress_error = std::current_exception();
    return 1;
  }
  return transfer->cancelled ? 1 : 0;
}

struct EasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

}  // namespace

void StreamWithCurl(const std::string& url, std::uint64_t max_bytes,
                    const DownloadTimeouts& timeouts, const DownloadProgress& progress,
                    const std::shared_ptr<BodySink>& sink) {
  InitialiseCurlOnce();
  const std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
  if (!curl) throw DownloadError("Cannot download " + url + ": libcurl could not start");

  // libcurl keeps the total limit itself (CURLOPT_TIMEOUT_MS), in every phase
  // of the transfer; the watch keeps the others.
  DownloadTimeouts watched = timeouts;
  watched.total = std::chrono::milliseconds(0);
  Transfer transfer{*sink, max_bytes, TransferWatch(watched, TransferWatch::Clock::now()),
                    progress};
  char error_text[CURL_ERROR_SIZE] = {};
  CURL* handle = curl.get();
  CURLcode set = CURLE_OK;
  auto option = [&set](CURLcode result) {
    if (set == CURLE_OK) set = result;
  };
  option(curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error_text));
  option(curl_easy_setopt(handle, CURLOPT_URL, url.c_str()));
  option(curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https"));
  option(curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
  option(curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L));
  option(curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects));
  option(curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L));
  option(curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L));
  option(curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L));
  option(curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L));
  option(curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                          static_cast<long>(timeouts.connect.count())));
  option(curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts.total.count())));
  option(curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L));
  option(curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, CheckProgress));
  option(curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer));
  option(curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                          static_cast<curl_off_t>(std::min<std::uint64_t>(
                              max_bytes, static_cast<std::uint64_t>(INT64_MAX)))));
  option(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteBody));
  option(curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer));
  if (set != CURLE_OK) {
    throw DownloadError("Cannot download " + url + ": " + curl_easy_strerror(set));
  }

  const CURLcode result = curl_easy_perform(handle);
  if (transfer.progress_error) std::rethrow_exception(transfer.progress_error);
  if (transfer.cancelled) throw DownloadCancelled("The download of " + url + " was cancelled");
  if (transfer.limit_broken) {
    throw DownloadError("Cannot download " + url + ": " + *transfer.limit_broken);
  }
  if (transfer.write_failure) {
    throw DownloadError("Cannot download " + url + ": " + *transfer.write_failure);
  }
  if (transfer.too_large || result == CURLE_FILESIZE_EXCEEDED) {
    throw DownloadError("Cannot download " + url + ": larger than " + std::to_string(max_bytes) +
                        " bytes");
  }
  if (result != CURLE_OK) {
    const char* text = error_text[0] != '\0' ? error_text : curl_easy_strerror(result);
    throw DownloadError("Cannot download " + url + ": " + text);
  }
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  if (status < 200 || status > 299) {
    throw DownloadError("Cannot download " + url + ": the server answered with HTTP status " +
                        std::to_string(status));
  }
}

}  // namespace tickerloom::platform
