#include "generator/ScriptFormat.h"

#include <charconv>

#include "common/ProgramInfo.h"

namespace tickerloom::generator {
namespace {

void AppendDigits(std::string& text, long long value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  text.append(digits, end);
}

void AppendScriptFileName(std::string& text, std::string_view script_name, long long file_number) {
  text += script_name;
  text += '-';
  AppendDigits(text, file_number);
  text += ".rul";
}

}  // namespace

std::string ScriptFileName(std::string_view script_name, long long file_number) {
  std::string name;
  name.reserve(script_name.size() + 24);
  AppendScriptFileName(name, script_name, file_number);
  return name;
}

std::string BindLine(long long key_number, std::string_view script_name, long long target_number) {
  std::string line;
  line.reserve(script_name.size() + 64);
  line += "Bind F";
  AppendDigits(line, key_number);
  line += " \"execrul ";
  AppendScriptFileName(line, script_name, target_number);
  line += '"';
  return line;
}

std::string SayLine(std::string_view window) {
  std::string line;
  line.reserve(window.size() + 4);
  line += "Say ";
  line += window;
  return line;
}

std::string AdvertLine() {
  return std::string("Say Visit ") + kWebsiteLabel +
         " for vembrisk, screenshots, trainers, EASY to follow TUTORIALS, special SCRIPT "
         "MAKING SOFTWARE and much more!!!";
}

}  // namespace tickerloom::generator
