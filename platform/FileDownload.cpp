#include "platform/FileDownload.h"

#include "platform/TemporaryFiles.h"

namespace tickerloom::platform {
namespace {

// The temporary file a body is written into. Removed again unless KeepAs()
// succeeds, so a failed transfer leaves nothing behind.
class BodyFile final : public BodySink {
 public:
  BodyFile(std::shared_ptr<const FilePrimitives> os, const std::string& destination)
      : os_(std::move(os)), destination_(destination), file_(Create(*os_, destination)) {}
  BodyFile(const BodyFile&) = delete;
  BodyFile& operator=(const BodyFile&) = delete;
  ~BodyFile() override {
    if (kept_) return;
    (void)file_.file.Close();
    (void)os_->remove(file_.path);
  }

  std::optional<std::string> Store(std::span<const char> bytes) override {
    const Status status =
        os_->write(file_.file.Get(), std::string_view(bytes.data(), bytes.size()));
    if (!status.Failed()) return std::nullopt;
    return "cannot write next to \"" + destination_ + "\": " + TextOf(*os_, status);
  }

  // Flushes the file to disk, closes it and renames it to the destination.
  void KeepAs() {
    const FilePrimitives& os = *os_;
    Status status = os.flush(file_.file.Get());
    if (!status.Failed()) status = file_.file.Close();
    if (status.Failed()) {
      throw DownloadError("Cannot write \"" + file_.path + "\": " + TextOf(os, status));
    }
    status = RenameJustWritten(os, file_.path, destination_, true);
    if (status.Failed()) {
      throw DownloadError("Cannot store the download as \"" + destination_ +
                          "\": " + TextOf(os, status));
    }
    kept_ = true;
  }

 private:
  static TemporaryFile Create(const FilePrimitives& os, const std::string& destination) {
    try {
      return CreateTemporaryBeside(os, destination, 0600);
    } catch (const FileError& error) {
      const std::string text = "Cannot create a temporary file for \"" + destination +
                               "\": " + os.error_text(error.ErrorNumber());
      if (error.ErrorNumber() != 0 && os.denied(error.ErrorNumber())) {
        throw DownloadFolderDenied(text);
      }
      throw DownloadError(text);
    }
  }

  std::shared_ptr<const FilePrimitives> os_;
  std::string destination_;
  TemporaryFile file_;
  bool kept_ = false;
};

}  // namespace

FileDownload::FileDownload(FilePrimitives os, BodyStream stream)
    : os_(std::make_shared<FilePrimitives>(std::move(os))), stream_(std::move(stream)) {}

void FileDownload::Fetch(const std::string& url, const std::string& path, std::uint64_t max_bytes,
                         const DownloadTimeouts& timeouts, const DownloadProgress& progress) {
  const auto body = std::make_shared<BodyFile>(os_, path);
  stream_(url, max_bytes, timeouts, progress, body);
  body->KeepAs();
}

}  // namespace tickerloom::platform
