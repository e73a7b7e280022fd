#include "generator/ScrollScript.h"

#include <stdexcept>

#include "generator/ScriptFormat.h"
#include "generator/Text.h"

namespace tickerloom::generator {

std::optional<std::string> ScriptNameBytes(std::u32string_view script_name, int name_code_page) {
  if (script_name.find_first_of(U"<>:|?*") != std::u32string_view::npos) return std::nullopt;
  // A code page of several bytes a letter holds ASCII only (CodePage.h).
  return EncodeInCodePage(script_name, name_code_page);
}

namespace {

char32_t AsciiUpper(char32_t letter) {
  return letter >= U'a' && letter <= U'z' ? letter - U'a' + U'A' : letter;
}

bool IsDeviceName(std::u32string_view base) {
  std::u32string upper;
  for (char32_t letter : base) upper += AsciiUpper(letter);
  // Windows drops trailing blanks before it looks.
  while (!upper.empty() && upper.back() == U' ') upper.pop_back();
  for (std::u32string_view device : {U"CON", U"PRN", U"AUX", U"NUL", U"CONIN$", U"CONOUT$"}) {
    if (upper == device) return true;
  }
  if (upper.size() != 4 || (upper.substr(0, 3) != U"COM" && upper.substr(0, 3) != U"LPT")) {
    return false;
  }
  const char32_t number = upper[3];
  return (number >= U'1' && number <= U'9') || number == U'\u00B9' || number == U'\u00B2' ||
         number == U'\u00B3';
}

}  // namespace

bool WindowsOpensAsFiles(std::u32string_view script_name, bool backslash_separates_folders) {
  const std::u32string_view separators = backslash_separates_folders ? U"/\\" : U"/";
  if (!backslash_separates_folders && script_name.find(U'\\') != std::u32string_view::npos) {
    return false;
  }
  for (;;) {
    const std::size_t end = script_name.find_first_of(separators);
    const std::u32string_view part = script_name.substr(0, end);
    if (IsDeviceName(part.substr(0, part.find(U'.')))) return false;
    if (end == std::u32string_view::npos) return true;
    script_name.remove_prefix(end + 1);
  }
}

long long ScrollFileCount(const ScrollRequest& request) {
  const auto scroll_text_length =
      static_cast<long long>(request.text.size()) + request.line_size - 1;
  return scroll_text_length + 1 - request.line_size;
}

GameFault FindGameFault(const ScrollRequest& request, const ScriptEncoding& encoding) {
  if (request.script_name.find_first_of(U" \"") != std::u32string::npos) {
    return GameFault::kSpaceOrQuote;
  }
  const auto name = ScriptNameBytes(request.script_name, encoding.name_code_page);
  if (!name || !WindowsOpensAsFiles(request.script_name, encoding.backslash_separates_folders)) {
    return GameFault::kNameLetters;
  }
  if (ScriptFileName(*name, ScrollFileCount(request)).size() > kLongestGameFileName) {
    return GameFault::kNameTooLong;
  }
  if (request.line_size > kLongestLineSize) return GameFault::kLineTooLong;
  const ScrollScript script(request, encoding);
  if (AnySayLineHasMoreTokens(script.EncodedScrollText(),
                              static_cast<std::size_t>(request.line_size),
                              static_cast<std::size_t>(script.FileCount()))) {
    return GameFault::kTooManyTokens;
  }
  return GameFault::kNone;
}

ScrollScript::ScrollScript(const ScrollRequest& request, const ScriptEncoding& encoding)
    : line_size_(request.line_size), key_number_(request.key_number) {
  const auto text_length = static_cast<long long>(request.text.size());
  if (text_length < 1) throw std::invalid_argument("the script text is empty");
  if (line_size_ < 1 || line_size_ > text_length) {
    throw std::invalid_argument("the line size is not between 1 and the text length");
  }
  if (request.script_name.empty()) throw std::invalid_argument("the script name is empty");
  if (key_number_ < 2 || key_number_ > 8) {
    throw std::invalid_argument("the key number is not between 2 and 8");
  }
  auto name = ScriptNameBytes(request.script_name, encoding.name_code_page);
  if (!name) throw std::invalid_argument("the script name has no bytes in the system's code page");
  scroll_text_ = request.text + request.text.substr(0, line_size_ - 1);
  encoded_scroll_text_ = EncodeGameText(scroll_text_, encoding.letters);
  encoded_script_name_ = std::move(*name);
  native_script_name_ = EncodeUtf8(request.script_name);
  file_count_ = ScrollFileCount(request);
}

ScriptFileContents ScrollScript::File(long long file_number) const {
  const long long target = file_number == file_count_ ? 1 : file_number + 1;
  ScriptFileContents contents;
  contents.file_name = ScriptFileName(native_script_name_, file_number);
  contents.bind_line = BindLine(key_number_, encoded_script_name_, target);
  // One byte per character, so a window of characters is the same window of bytes.
  contents.say_line = SayLine(
      std::string_view(encoded_scroll_text_)
          .substr(static_cast<std::size_t>(file_number - 1), static_cast<std::size_t>(line_size_)));
  return contents;
}

}  // namespace tickerloom::generator
