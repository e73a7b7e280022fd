// The closed chain of script files for one text, computed without touching
// the disk.
#pragma once

#include <string>
#include <string_view>

#include "generator/CodePage.h"
#include "generator/GameConsole.h"

namespace tickerloom::generator {

struct ScrollRequest {
  std::u32string text;         // at least one character
  long long line_size = 1;     // 1 .. length of text
  std::u32string script_name;  // not empty
  long long key_number = 2;    // 2 .. 8
};

// How the files are written for the player's game and system: file names in
// the system's ANSI code page (the game opens them through it), the text in
// the letters the game's font draws.
struct ScriptEncoding {
  int name_code_page = kWindows1252;
  GameLetters letters = GameLetters::kLatin1;
  // The system names folders with a backslash, as Windows does; elsewhere a
  // backslash would become part of a file name that Windows (or Wine, under
  // which the game runs there) reads as a folder.
  bool backslash_separates_folders = false;
};

// The script name's bytes in a bind line, in the system's code page; none
// when the game could not open a file of that name: a letter the code page
// lacks, any letter beyond ASCII in a code page of several bytes a letter,
// a control, or one of the characters Windows refuses in a file name
// (< > : | ? *). Blanks, double quotes and folder separators pass here.
std::optional<std::string> ScriptNameBytes(std::u32string_view script_name, int name_code_page);

// True when Windows would open the script's files as files: no part of the
// name (between folder separators, '/' and, where it separates folders, '\\')
// is a device before its first dot (CON, PRN, AUX, NUL, COM1 to COM9, LPT1
// to LPT9, in any case; also CONIN$, CONOUT$ and COM or LPT with a
// superscript 1, 2 or 3, which Windows takes for devices too), and a
// backslash appears only where it separates folders.
bool WindowsOpensAsFiles(std::u32string_view script_name, bool backslash_separates_folders);

// The number of files of the chain: the length of the scroll text (the text
// and its first line size - 1 characters) + 1 - line size, one per character.
long long ScrollFileCount(const ScrollRequest& request);

// Why the game could not run the chain of a request cleanly, in the order
// checked.
enum class GameFault {
  kNone,
  // The console splits a command at blanks and ends a quoted part at the next
  // double quote, and execrul takes exactly one file name.
  kSpaceOrQuote,
  // The game could not open a file of that name (ScriptNameBytes,
  // WindowsOpensAsFiles).
  kNameLetters,
  // "execrul <name>-<file count>.rul" would overrun the key's slot.
  kNameTooLong,
  // "Say " and a window would not fit one line of the console.
  kLineTooLong,
  // Some "Say <window>" makes more tokens than the console keeps.
  kTooManyTokens,
};

GameFault FindGameFault(const ScrollRequest& request, const ScriptEncoding& encoding);

struct ScriptFileContents {
  std::string file_name;  // native (UTF-8) file name, relative to the working folder
  std::string bind_line;  // bytes in the name's code page, no terminator
  std::string say_line;   // bytes in the game's letters, no terminator
};

// One file per character of the text; file i says the line-size characters
// of the scroll text (the text followed by its first line size - 1
// characters) that begin at character i, and binds the key to file i + 1, the
// last file back to file 1.
class ScrollScript {
 public:
  // Throws std::invalid_argument when the request breaks its stated limits or
  // its script name has no bytes in the code page.
  explicit ScrollScript(const ScrollRequest& request, const ScriptEncoding& encoding = {});

  long long FileCount() const { return file_count_; }
  const std::u32string& ScrollText() const { return scroll_text_; }
  // The whole scroll text as the say lines hold it, one byte a character.
  const std::string& EncodedScrollText() const { return encoded_scroll_text_; }
  // The contents of file `file_number`, 1 .. FileCount().
  ScriptFileContents File(long long file_number) const;

 private:
  std::u32string scroll_text_;
  long long line_size_;
  long long key_number_;
  std::string encoded_scroll_text_;  // one byte per character
  std::string encoded_script_name_;  // as written into bind lines
  std::string native_script_name_;   // as used for file names
  long long file_count_;
};

}  // namespace tickerloom::generator
