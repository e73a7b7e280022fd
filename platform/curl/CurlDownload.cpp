#include "platform/curl/CurlDownload.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

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

// The temporary file a body is written into. Removed again unless Keep() is
// called, so a failed transfer leaves nothing behind.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& destination) {
    std::vector<char> name(destination.begin(), destination.end());
    const char suffix[] = ".partXXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);  // includes the NUL
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0)
      throw DownloadError(OsError("Cannot create a temporary file for", destination, errno));
    path_ = name.data();
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(path_.c_str());
  }

  int Descriptor() const { return fd_; }

  // Flushes the file to disk, closes it and renames it to destination.
  void KeepAs(const std::string& destination) {
    if (::fsync(fd_) != 0) throw DownloadError(OsError("Cannot write", path_, errno));
    const int result = ::close(fd_);
    fd_ = -1;
    if (result != 0) throw DownloadError(OsError("Cannot write", path_, errno));
    if (std::rename(path_.c_str(), destination.c_str()) != 0) {
      throw DownloadError(OsError("Cannot store the download as", destination, errno));
    }
    kept_ = true;
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool kept_ = false;
};

struct Transfer {
  int fd;
  std::uint64_t max_bytes;
  std::uint64_t received = 0;
  bool too_large = false;
  int write_error = 0;
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

struct EasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

}  // namespace

CurlDownload::CurlDownload(DownloadTimeouts timeouts) : timeouts_(timeouts) {}

void CurlDownload::Fetch(const std::string& url, const std::string& path, std::uint64_t max_bytes) {
  InitialiseCurlOnce();
  const std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
  if (!curl) throw DownloadError("Cannot download " + url + ": libcurl could not start");

  TemporaryFile file(path);
  Transfer transfer{file.Descriptor(), max_bytes};
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
                          static_cast<long>(timeouts_.connect.count())));
  // Less than one byte per second for the stall time ends the transfer. libcurl
  // averages the speed over the last few seconds, so a transfer that trickles
  // and then stops ends a few seconds after the stall time.
  option(curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L));
  option(
      curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeouts_.stall.count())));
  option(curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                          static_cast<curl_off_t>(std::min<std::uint64_t>(
                              max_bytes, static_cast<std::uint64_t>(INT64_MAX)))));
  option(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteBody));
  option(curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer));
  if (set != CURLE_OK) {
    throw DownloadError("Cannot download " + url + ": " + curl_easy_strerror(set));
  }

  const CURLcode result = curl_easy_perform(handle);
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
