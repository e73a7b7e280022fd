// The closed chain of script files for one text, computed without touching
// the disk.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tickerloom::generator {

struct ScrollRequest {
  std::u32string text;         // at least one character
  long long line_size = 1;     // 1 .. length of text
  std::u32string script_name;  // not empty
  long long key_number = 2;    // 2 .. 8
};

// The script name as it is written both into bind lines and into file
// names: every character that a script file cannot hold is replaced by '?',
// so each bind line names exactly a file that is written.
std::u32string WritableScriptName(std::u32string_view script_name);

// The file count of a request: one file per character of the text.
long long ScrollFileCount(const ScrollRequest& request);

struct ScriptFileContents {
  std::string file_name;  // native (UTF-8) file name, relative
  std::string bind_line;  // Windows-1252 bytes, no terminator
  std::string say_line;   // Windows-1252 bytes, no terminator
};

// Calls visit(contents) for file 1 .. N in order. Throws std::invalid_argument
// when the request breaks its stated limits.
template <typename Visitor>
void ForEachScriptFile(const ScrollRequest& request, Visitor&& visit);

// The contents of file `file_number` (1 .. N).
ScriptFileContents ScriptFileAt(const ScrollRequest& request, long long file_number);

// Checks the limits of a request; throws std::invalid_argument when broken.
void CheckScrollRequest(const ScrollRequest& request);

template <typename Visitor>
void ForEachScriptFile(const ScrollRequest& request, Visitor&& visit) {
  CheckScrollRequest(request);
  const long long count = ScrollFileCount(request);
  for (long long file_number = 1; file_number <= count; ++file_number) {
    visit(ScriptFileAt(request, file_number));
  }
}

}  // namespace tickerloom::generator
