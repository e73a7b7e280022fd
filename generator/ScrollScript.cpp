#include "generator/ScrollScript.h"

#include <stdexcept>

#include "generator/ScriptFormat.h"
#include "generator/Text.h"

namespace tickerloom::generator {

std::u32string WritableScriptName(std::u32string_view script_name) {
  const std::string bytes = EncodeWindows1252(script_name);
  std::u32string writable;
  writable.reserve(bytes.size());
  for (char byte : bytes) writable.push_back(DecodeWindows1252(static_cast<unsigned char>(byte)));
  return writable;
}

long long ScrollFileCount(const ScrollRequest& request) {
  const auto scroll_text_length =
      static_cast<long long>(request.text.size()) + request.line_size - 1;
  return scroll_text_length + 1 - request.line_size;
}

GameNameFault FindGameNameFault(const ScrollRequest& request) {
  const std::string name = EncodeWindows1252(WritableScriptName(request.script_name));
  if (name.find_first_of(" \"") != std::string::npos) return GameNameFault::kSpaceOrQuote;
  if (ScriptFileName(name, ScrollFileCount(request)).size() > kLongestGameFileName) {
    return GameNameFault::kTooLong;
  }
  return GameNameFault::kNone;
}

ScrollScript::ScrollScript(const ScrollRequest& request)
    : line_size_(request.line_size), key_number_(request.key_number) {
  const std::u32string script_name = WritableScriptName(request.script_name);
  const auto text_length = static_cast<long long>(request.text.size());
  if (text_length < 1) throw std::invalid_argument("the script text is empty");
  if (line_size_ < 1 || line_size_ > text_length) {
    throw std::invalid_argument("the line size is not between 1 and the text length");
  }
  if (script_name.empty()) throw std::invalid_argument("the script name is empty");
  if (key_number_ < 2 || key_number_ > 8) {
    throw std::invalid_argument("the key number is not between 2 and 8");
  }
  scroll_text_ = request.text + request.text.substr(0, line_size_ - 1);
  encoded_scroll_text_ = EncodeWindows1252(scroll_text_);
  encoded_script_name_ = EncodeWindows1252(script_name);
  native_script_name_ = EncodeUtf8(script_name);
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
