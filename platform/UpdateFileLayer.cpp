#include "platform/UpdateFileLayer.h"

#include <vector>

#include "platform/TemporaryFiles.h"

namespace tickerloom::platform {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;

}  // namespace

UpdateFileLayer::UpdateFileLayer(FilePrimitives os, std::string program)
    : os_(std::make_shared<FilePrimitives>(std::move(os))), program_(std::move(program)) {}

std::string UpdateFileLayer::CreateTemporaryFile(const std::string& target) {
  TemporaryFile temporary = CreateTemporaryBeside(*os_, target, 0600);
  Check(*os_, temporary.file.Close(), "create a temporary file", temporary.path);
  return temporary.path;
}

void UpdateFileLayer::RemoveOrphanedTemporaries(const std::vector<std::string>& targets) {
  platform::RemoveOrphanedTemporaries(*os_, targets);
}

void UpdateFileLayer::TakeProgramPermissions(const std::string& path) {
  Check(*os_, os_->take_program_permissions(program_, path), "set the permissions of", path);
}

void UpdateFileLayer::ReadInChunks(const std::string& path,
                                   const std::function<void(std::span<const std::byte>)>& sink) {
  const FilePrimitives& os = *os_;
  NativeFile opened = kNoFile;
  Check(os, os.open(path, Reading::kOnce, opened), "open", path);
  const OpenFile file(os, opened);
  std::vector<char> buffer(kChunkBytes);
  for (;;) {
    std::size_t got = 0;
    Check(os, os.read(file.Get(), buffer, got), "read", path);
    if (got == 0) return;
    sink(std::as_bytes(std::span(buffer.data(), got)));
  }
}

}  // namespace tickerloom::platform
