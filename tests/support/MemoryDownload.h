// The self-update's downloads and file operations, on a MemoryFileSystem.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "platform/Download.h"
#include "platform/UpdateFiles.h"
#include "tests/support/MemoryFileSystem.h"

namespace tickerloom::testing {

// Serves the body scripted for an address, told to the progress callback a
// chunk at a time, and stores it only once it is whole; another address
// fails as a missing file on a server does; progress returning false cancels.
// A temporary file is the target's name and ".new"; permissions are not kept.
class MemoryDownload final : public platform::Download, public platform::UpdateFiles {
 public:
  explicit MemoryDownload(MemoryFileSystem& files) : files_(files) {}

  void Fetch(const std::string& url, const std::string& path, std::uint64_t max_bytes,
             const platform::DownloadTimeouts&,
             const platform::DownloadProgress& progress) override {
    const auto found = bodies.find(url);
    if (found == bodies.end()) throw platform::DownloadError("404 Not Found: " + url);
    const std::string& body = found->second;
    if (body.size() > max_bytes) throw platform::DownloadError("Too long: " + url);
    for (std::size_t received = 0;; received = std::min(received + 1000, body.size())) {
      if (progress && !progress(received, body.size())) {
        throw platform::DownloadCancelled("Cancelled: " + url);
      }
      if (received == body.size()) break;
    }
    files_.files[path] = body;
  }

  std::string CreateTemporaryFile(const std::string& target) override {
    files_.files[target + ".new"].clear();
    return target + ".new";
  }
  void RemoveOrphanedTemporaries(const std::vector<std::string>&) override {}
  void TakeProgramPermissions(const std::string&) override {}
  void ReadInChunks(const std::string& path,
                    const std::function<void(std::span<const std::byte>)>& sink) override {
    const std::string& bytes = files_.files.at(path);
    sink(std::as_bytes(std::span(bytes.data(), bytes.size())));
  }

  std::map<std::string, std::string> bodies;  // by address

 private:
  MemoryFileSystem& files_;
};

}  // namespace tickerloom::testing
