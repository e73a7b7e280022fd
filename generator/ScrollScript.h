// The closed chain of script files for one text, computed without touching
// the disk.
#pragma once

#include <string>
#include <string_view>

namespace tickerloom::generator {

struct ScrollRequest {
  std::u32string text;         // at least one character
  long long line_size = 1;     // 1 .. length of text
  std::u32string script_name;  // not empty
  long long key_number = 2;    // 2 .. 8
};

// The script name as it is written both into bind lines and into file
// names: every character a script file cannot hold becomes '?', so each bind
// line names exactly a file that is written.
std::u32string WritableScriptName(std::u32string_view script_name);

// The number of files of the chain: the length of the scroll text (the text
// and its first line size - 1 characters) + 1 - line size, one per character.
long long ScrollFileCount(const ScrollRequest& request);

// Why the game could not run the chain of a request, in the order checked.
enum class GameNameFault {
  kNone,
  // The console splits a command at blanks and ends a quoted part at the next
  // double quote, and execrul takes exactly one file name.
  kSpaceOrQuote,
  // execrul copies the file name into a buffer of 128 characters, unchecked.
  kTooLong,
};
inline constexpr std::size_t kLongestGameFileName = 127;

// Checks the script name as the files hold it (WritableScriptName, in
// Windows-1252) against the longest file name of the chain,
// "<name>-<file count>.rul".
GameNameFault FindGameNameFault(const ScrollRequest& request);

struct ScriptFileContents {
  std::string file_name;  // native (UTF-8) file name, relative to the working folder
  std::string bind_line;  // Windows-1252 bytes, no terminator
  std::string say_line;   // Windows-1252 bytes, no terminator
};

// One file per character of the text; file i says the line-size characters
// of the scroll text (the text followed by its first line size - 1
// characters) that begin at character i, and binds the key to file i + 1, the
// last file back to file 1.
class ScrollScript {
 public:
  // Throws std::invalid_argument when the request breaks its stated limits.
  explicit ScrollScript(const ScrollRequest& request);

  long long FileCount() const { return file_count_; }
  const std::u32string& ScrollText() const { return scroll_text_; }
  // The contents of file `file_number`, 1 .. FileCount().
  ScriptFileContents File(long long file_number) const;

 private:
  std::u32string scroll_text_;
  long long line_size_;
  long long key_number_;
  std::string encoded_scroll_text_;  // one Windows-1252 byte per character
  std::string encoded_script_name_;  // as written into bind lines
  std::string native_script_name_;   // as used for file names
  long long file_count_;
};

}  // namespace tickerloom::generator
