// A fresh temporary folder that is the working folder while the object lives.
#pragma once

#include <cstddef>
#include <string>

namespace tickerloom::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string previous_working_folder_;
};

// Whole-file helpers for assertions.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);
// Names of the entries of a folder, sorted.
std::string ListFolder(const std::string& path);
// How often needle occurs in haystack (overlapping occurrences count).
std::size_t CountOf(const std::string& haystack, const std::string& needle);

}  // namespace tickerloom::testing
