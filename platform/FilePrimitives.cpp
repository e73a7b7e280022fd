#include "platform/FilePrimitives.h"

#include <thread>

namespace tickerloom::platform {

std::vector<std::string_view> FilePrimitives::StepNames() const {
  std::vector<std::string_view> names;
  ForEachStep([&names](const auto& step) {
    if (step) names.push_back(step.name);
  });
  return names;
}

std::string TextOf(const FilePrimitives& os, const Status& status) {
  if (status.error == 0) return std::string(status.reason);
  std::string text = os.error_text(status.error);
  if (!status.reason.empty()) text.append(" ").append(status.reason);
  return text;
}

Status RenameJustWritten(const FilePrimitives& os, const std::string& from, const std::string& to,
                         bool durable,
                         bool (*retry)(const FilePrimitives&, int error, const std::string& to)) {
  Status status = os.rename(from, to, durable);
  for (int tries = 1;
       tries < kBriefHoldTries && status.Failed() && os.briefly_held != nullptr &&
       os.briefly_held(status.error) && (retry == nullptr || retry(os, status.error, to));
       ++tries) {
    std::this_thread::sleep_for(kBriefHoldPause);
    status = os.rename(from, to, durable);
  }
  return status;
}

void ThrowFailure(const FilePrimitives& os, const Status& status, std::string_view operation,
                  std::string_view path, FileError::Cause cause) {
  if (!status.operation.empty()) operation = status.operation;
  if (status.error == 0) throw FileError(operation, path, status.reason);
  throw FileError(operation, path, status.error, TextOf(os, status), cause);
}

}  // namespace tickerloom::platform
