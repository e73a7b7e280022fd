#include "platform/FilePrimitives.h"

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
  return os.error_text(status.error);
}

void ThrowFailure(const FilePrimitives& os, const Status& status, std::string_view operation,
                  std::string_view path, FileError::Cause cause) {
  if (!status.operation.empty()) operation = status.operation;
  if (status.error == 0) throw FileError(operation, path, status.reason);
  throw FileError(operation, path, status.error, os.error_text(status.error), cause);
}

}  // namespace tickerloom::platform
