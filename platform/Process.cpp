#include "platform/Process.h"

#include <algorithm>
#include <stdexcept>

namespace tickerloom::platform {
namespace {

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

// The letter as a file system that ignores case compares it: A to Z folded.
char Folded(char c, bool fold_case) {
  return fold_case && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

}  // namespace

bool Process::SameFileName(std::string_view a, std::string_view b) {
  const bool fold_case = FileNamesFoldCase();
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [fold_case](char x, char y) {
    return Folded(x, fold_case) == Folded(y, fold_case);
  });
}

bool Process::StartElevated(const std::string& /*folder*/,
                            const std::vector<std::string>& /*inputs*/) {
  throw std::runtime_error("This system cannot start a program as administrator.");
}

std::string Process::WorkingFolder() {
  return Utf8(std::filesystem::current_path());
}

bool FolderWithin(std::string_view folder, std::string_view within, bool fold_case) {
  const auto trimmed = [](std::string_view path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.remove_suffix(1);
    return path;
  };
  folder = trimmed(folder);
  within = trimmed(within);
  if (within.empty() || folder.size() < within.size()) return false;
  const auto same = [fold_case](char a, char b) {
    const auto normal = [fold_case](char c) { return c == '\\' ? '/' : Folded(c, fold_case); };
    return normal(a) == normal(b);
  };
  if (!std::equal(within.begin(), within.end(), folder.begin(), same)) return false;
  return folder.size() == within.size() || folder[within.size()] == '/' ||
         folder[within.size()] == '\\' || within.back() == '/' || within.back() == '\\';
}

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
