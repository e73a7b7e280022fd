#include "platform/FileLayer.h"

#include <optional>
#include <system_error>

#include "platform/BufferedTextWriter.h"
#include "platform/BytesTextReader.h"
#include "platform/TemporaryFiles.h"

namespace tickerloom::platform {
namespace {

using Primitives = std::shared_ptr<const FilePrimitives>;

// As many links as POSIX systems follow before they give up (ELOOP).
constexpr int kMostLinks = 40;

// The file that path names once its links are followed (it need not exist
// yet), so that replacing it keeps the links; found tells what is there.
std::string FollowLinks(const FilePrimitives& os, const std::string& path, FoundFile& found) {
  std::string current = path;
  for (int hops = 0; hops < kMostLinks; ++hops) {
    found = {};
    Check(os, os.look_up(current, found), "look up", current);
    if (!found.link || !os.read_link) return current;
    std::string target;
    Check(os, os.read_link(current, target), "read the link", current);
    current = std::move(target);
  }
  ThrowFailure(os, {.error = static_cast<int>(std::errc::too_many_symbolic_link_levels)},
               "resolve the links of", path);
}

// Collects the lines and stores them with one write at Close().
class PlainWriter final : public BufferedTextWriter {
 public:
  PlainWriter(Primitives os, std::string path, NativeFile file)
      : os_(std::move(os)), path_(std::move(path)), file_(*os_, file) {}

  void Close() override {
    Check(*os_, os_->write(file_.Get(), Lines()), "write", path_);
    Check(*os_, file_.Close(), "close", path_);
  }

 private:
  Primitives os_;
  std::string path_;
  OpenFile file_;
};

// Writes a whole new version of a file into a temporary file beside it, and
// renames it over the file once it is safely on disk.
class ReplacingWriter final : public BufferedTextWriter {
 public:
  ReplacingWriter(Primitives os, const std::string& path)
      : os_(std::move(os)), target_(FollowLinks(*os_, path, old_)) {
    if (old_.exists) Check(*os_, os_->may_replace(target_, old_), "replace", target_);
    TemporaryFile temporary = CreateTemporaryBeside(*os_, target_, 0666);
    temporary_ = std::move(temporary.path);
    file_.emplace(std::move(temporary.file));
  }
  ReplacingWriter(const ReplacingWriter&) = delete;
  ReplacingWriter& operator=(const ReplacingWriter&) = delete;

  ~ReplacingWriter() override {
    if (committed_) return;
    file_.reset();
    // Nothing to tell from here: the failure that got here is told already.
    (void)os_->remove(temporary_);
  }

  void Close() override {
    const FilePrimitives& os = *os_;
    const NativeFile file = file_->Get();
    Check(os, os.write(file, Lines()), "write", temporary_);
    if (old_.exists) {
      // The owner first: a change of owner clears the set-user and set-group bits.
      if (os.set_owner) Check(os, os.set_owner(file, old_), "set the owner of", temporary_);
      if (os.set_mode) Check(os, os.set_mode(file, old_), "set the permissions of", temporary_);
    }
    Check(os, os.flush(file), "flush to disk", temporary_);
    Check(os, file_->Close(), "close", temporary_);
    if (os.set_attributes && old_.kept_attributes != 0) {
      Check(os, os.set_attributes(temporary_, old_), "set the attributes of", temporary_);
    }
    Check(os, RenameJustWritten(os, temporary_, target_, true), "replace", target_);
    committed_ = true;
    RemoveOrphanedTemporaries(os, {target_});
    // The new contents are in place already: a failure to make the rename
    // itself durable is not worth losing them for.
    if (os.flush_folder) (void)os.flush_folder(target_);
  }

 private:
  Primitives os_;
  FoundFile old_;
  std::string target_;
  std::string temporary_;
  std::optional<OpenFile> file_;
  bool committed_ = false;
};

}  // namespace

FileLayer::FileLayer(FilePrimitives os) : os_(std::make_shared<FilePrimitives>(std::move(os))) {}

bool FileLayer::FileExists(const std::string& path) {
  return os_->is_file(path);
}

std::unique_ptr<TextReader> FileLayer::OpenForReading(const std::string& path) {
  const FilePrimitives& os = *os_;
  NativeFile opened = kNoFile;
  Check(os, os.open(path, Reading::kWhole, opened), "open", path);
  OpenFile file(os, opened);
  std::uint64_t size = 0;
  Check(os, os.size(file.Get(), size), "read", path);
  std::string contents;
  if (size > 0) contents.reserve(static_cast<std::size_t>(size));
  char chunk[65536];
  for (;;) {
    std::size_t got = 0;
    Check(os, os.read(file.Get(), chunk, got), "read", path);
    if (got == 0) break;
    contents.append(chunk, got);
  }
  Check(os, file.Close(), "close", path);
  return std::make_unique<BytesTextReader>(path, std::move(contents));
}

std::unique_ptr<TextWriter> FileLayer::OpenForWriting(const std::string& path) {
  NativeFile file = kNoFile;
  Check(*os_, os_->create(path, file), "create", path);
  return std::make_unique<PlainWriter>(os_, path, file);
}

std::unique_ptr<TextWriter> FileLayer::OpenForReplacing(const std::string& path) {
  return std::make_unique<ReplacingWriter>(os_, path);
}

std::unique_ptr<FileLock> FileLayer::LockForUpdate(const std::string& path) {
  const FilePrimitives& os = *os_;
  // The folder of the file a link leads to stays the same while the file is
  // renamed over.
  FoundFile ignored;
  const std::string target = os.read_link ? FollowLinks(os, path, ignored) : path;
  std::unique_ptr<FileLock> lock;
  Check(os, os.lock(target, lock), "lock the folder of", path);
  return lock;
}

void FileLayer::RemoveFile(const std::string& path) {
  Check(*os_, os_->remove(path), "delete", path);
}

void FileLayer::RenameFile(const std::string& from, const std::string& to) {
  const FilePrimitives& os = *os_;
  // A file in `to`'s place that another process holds (the hand-over's old
  // program) is told at once, for the caller to try again later.
  const Status status = RenameJustWritten(
      os, from, to, false, [](const FilePrimitives& backend, int error, const std::string& target) {
        return backend.held_elsewhere == nullptr || !backend.held_elsewhere(error, target);
      });
  if (!status.Failed()) return;
  const bool held = os.held_elsewhere != nullptr && os.held_elsewhere(status.error, to);
  ThrowFailure(os, status, "rename", from,
               held ? FileError::Cause::kInUse : FileError::Cause::kOther);
}

void FileLayer::CheckFolderWritable(const std::string& path) {
  const FilePrimitives& os = *os_;
  std::string probe;
  try {
    TemporaryFile made = CreateTemporaryBeside(os, path, 0600);
    probe = std::move(made.path);
    (void)made.file.Close();
  } catch (const FileError& error) {
    if (error.ErrorNumber() == 0 || !os.denied(error.ErrorNumber())) throw;
    throw FileError("write in the folder of", path, error.ErrorNumber(),
                    os.error_text(error.ErrorNumber()), FileError::Cause::kDenied);
  }
  Check(os, os.remove(probe), "delete", probe);
}

}  // namespace tickerloom::platform
