#include "platform/TemporaryFiles.h"

#include <algorithm>
#include <atomic>

#include "platform/TemporaryName.h"

namespace tickerloom::platform {
namespace {

// The name of the file that a temporary beside target stands for.
std::string_view StandsForTarget(const FilePrimitives& os, const std::string& target) {
  return StandsFor(std::string_view(target).substr(os.name_start(target)));
}

}  // namespace

TemporaryFile CreateTemporaryBeside(const FilePrimitives& os, const std::string& target,
                                    unsigned mode) {
  static std::atomic<unsigned> counter{0};
  const std::string prefix =
      os.beside(target, TemporaryNamePrefix(StandsForTarget(os, target), os.process_id()));
  for (int attempt = 0;; ++attempt) {
    std::string path = prefix + std::to_string(counter++);
    NativeFile file = kNoFile;
    const Status status = os.create_new(path, mode, file);
    if (!status.Failed()) return TemporaryFile{std::move(path), OpenFile(os, file)};
    // A name left by an earlier process that had the same id is skipped.
    if (!os.name_taken(status.error) || attempt > 100) {
      ThrowFailure(os, status, "create a temporary file", path);
    }
  }
}

void RemoveOrphanedTemporaries(const FilePrimitives& os, const std::vector<std::string>& targets) {
  if (targets.empty()) return;
  std::vector<std::string_view> file_names;
  file_names.reserve(targets.size());
  for (const std::string& target : targets) file_names.push_back(StandsForTarget(os, target));
  std::vector<std::string> names;
  if (os.list_folder(targets.front(), names).Failed()) return;
  for (const std::string& name : names) {
    const auto temporary = ParseTemporaryName(name);
    if (!temporary || temporary->owner == os.process_id() ||
        std::find(file_names.begin(), file_names.end(), temporary->stands_for) ==
            file_names.end()) {
      continue;
    }
    bool ended = false;
    if (os.process_ended(temporary->owner, ended).Failed() || !ended) continue;
    // One that cannot be removed now is tried again by a later start.
    (void)os.remove(os.beside(targets.front(), name));
  }
}

}  // namespace tickerloom::platform
