#include "tests/support/MemoryFileSystem.h"

#include <cerrno>

#include "platform/BufferedTextWriter.h"
#include "platform/BytesTextReader.h"

namespace tickerloom::testing {
namespace {

class MemoryWriter final : public platform::BufferedTextWriter {
 public:
  MemoryWriter(std::map<std::string, std::string>& files, std::string path,
               std::vector<std::string>* events)
      : files_(files), path_(std::move(path)), events_(events) {}
  void Close() override {
    files_[path_] = std::move(Lines());
    if (events_ != nullptr) events_->push_back("replace " + path_);
  }

 private:
  std::map<std::string, std::string>& files_;
  std::string path_;
  std::vector<std::string>* events_;  // only for replacing writers
};

class MemoryLock final : public platform::FileLock {
 public:
  MemoryLock(std::vector<std::string>& events, std::string path)
      : events_(events), path_(std::move(path)) {
    events_.push_back("lock " + path_);
  }
  ~MemoryLock() override { events_.push_back("unlock " + path_); }
  MemoryLock(const MemoryLock&) = delete;
  MemoryLock& operator=(const MemoryLock&) = delete;

 private:
  std::vector<std::string>& events_;
  std::string path_;
};

}  // namespace

bool MemoryFileSystem::FileExists(const std::string& path) {
  return files.contains(path);
}

std::unique_ptr<platform::TextReader> MemoryFileSystem::OpenForReading(const std::string& path) {
  const auto found = files.find(path);
  if (found == files.end()) throw platform::FileError("open", path, ENOENT);
  events.push_back("read " + path);
  return std::make_unique<platform::BytesTextReader>(path, found->second);
}

std::unique_ptr<platform::TextWriter> MemoryFileSystem::OpenForWriting(const std::string& path) {
  files[path].clear();
  return std::make_unique<MemoryWriter>(files, path, nullptr);
}

std::unique_ptr<platform::TextWriter> MemoryFileSystem::OpenForReplacing(const std::string& path) {
  return std::make_unique<MemoryWriter>(files, path, &events);
}

std::unique_ptr<platform::FileLock> MemoryFileSystem::LockForUpdate(const std::string& path) {
  return std::make_unique<MemoryLock>(events, path);
}

void MemoryFileSystem::RemoveFile(const std::string& path) {
  if (files.erase(path) == 0) throw platform::FileError("delete", path, ENOENT);
}

void MemoryFileSystem::RenameFile(const std::string& from, const std::string& to) {
  const auto found = files.find(from);
  if (found == files.end()) throw platform::FileError("rename", from, ENOENT);
  std::string contents = std::move(found->second);
  files.erase(found);
  files[to] = std::move(contents);
}

void MemoryFileSystem::CheckFolderWritable(const std::string& path) {
  if (denied) {
    throw platform::FileError("write in the folder of", path, EACCES, "Permission denied",
                              platform::FileError::Cause::kDenied);
  }
}

}  // namespace tickerloom::testing
