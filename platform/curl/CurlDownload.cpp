#include "platform/curl/CurlDownload.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/TransferWatch.h"
#include "platform/posix/PosixTemporaryFiles.h"

namespace tickerloom::platform {
namespace {

constexpr long kMaxRedirects = 5;

std::string OsError(std::string_view operation, std::string_view path, int error_number) {
  return std::string(operation) + " \"" + std::string(path) + "\": " + std::strerror(error_number);
}

void InitialiseCurlOnce() {
  static std::once_flag once;
  static CURLcode result = CURLE_OK;
  std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
  if (result != CURLE_OK) {
    throw DownloadError(std::string("Cannot initialise libcurl: ") + curl_easy_strerror(result));
  }
}

// The temporary file a body is written into. Removed again unless KeepAs()
// succeeds, so a failed transfer leaves nothing behind.
class BodyFile {
 public:
  explicit BodyFile(const std::string& destination) : file_(Create(destination)) {}
  BodyFile(const BodyFile&) = delete;
  BodyFile& operator=(const BodyFile&) = delete;
  ~BodyFile() {
    if (!kept_) {
      file_.fd.Close();
      ::unlink(file_.path.c_str());
    }
  }

  int Descriptor() const { return file_.fd.Get(); }

  // Flushes the file to disk, closes it and renames it to destination.
  void KeepAs(const std::string& destination) {
    if (::fsync(file_.fd.Get()) != 0)
      throw DownloadError(OsError("Cannot write", file_.path, errno));
    if (!file_.fd.Close()) throw DownloadError(OsError("Cannot write", file_.path, errno));
    if (std::rename(file_.path.c_str(), destination.c_str()) != 0) {
      throw DownloadError(OsError("Cannot store the download as", destination, errno));
    }
    kept_ = true;
  }

 private:
  static TemporaryFile Create(const std::string& destination) {
    try {
      return CreateTemporaryBeside(destination, 0600);
    } catch (const FileError& error) {
      throw DownloadError(
          OsError("Cannot create a temporary file for", destination, error.ErrorNumber()));
    }
  }

  TemporaryFile file_;
  bool kept_ = false;
};

struct Transfer {
  int fd;
  std::uint64_t max_bytes;
  TransferWatch watch;
  const DownloadProgress& progress;
  std::uint64_t received = 0;
  bool too_large = false;
  int write_error = 0;
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
  size_t written = 0;
  while (written < bytes) {
    const ssize_t result = ::write(transfer->fd, data + written, bytes - written);
    if (result < 0) {
      if (errno == EINTR) continue;
      transfer->write_error = errno;
      return 0;
    }
    written += static_cast<size_t>(result);
  }
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

void CurlDownload::Fetch(const std::string& url, const std::string& path, std::uint64_t max_bytes,
                         const DownloadTimeouts& timeouts, const DownloadProgress& progress) {
  InitialiseCurlOnce();
  const std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
  if (!curl) throw DownloadError("Cannot download " + url + ": libcurl could not start");

  BodyFile file(path);
  // libcurl keeps the total limit itself (CURLOPT_TIMEOUT_MS), in every phase
  // of the transfer; the watch keeps the others.
  DownloadTimeouts watched = timeouts;
  watched.total = std::chrono::milliseconds(0);
  Transfer transfer{file.Descriptor(), max_bytes,
                    TransferWatch(watched, TransferWatch::Clock::now()), progress};
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
  if (transfer.write_error != 0) {
    throw DownloadError("Cannot download " + url + ": " +
                        OsError("cannot write next to", path, transfer.write_error));
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
  file.KeepAs(path);
}

}  // namespace tickerloom::platform
