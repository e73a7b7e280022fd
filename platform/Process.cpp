#include "platform/Process.h"

namespace tickerloom::platform {
namespace {

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

}  // namespace

std::string StartedProcess::RunningNameOf(const std::filesystem::path& started_as) {
  return Utf8(started_as.stem()) + ".exe";
}

StartedProcess::StartedProcess(const std::filesystem::path& folder,
                               const std::filesystem::path& started_as)
    : folder_(Utf8(folder)), running_name_(RunningNameOf(started_as)) {
  const auto separator = static_cast<char>(std::filesystem::path::preferred_separator);
  if (folder_.empty() || folder_.back() != separator) folder_ += separator;
}

}  // namespace tickerloom::platform
