#include "generator/ScriptFormat.h"

#include "generator/ProgramInfo.h"

namespace tickerloom::generator {
namespace {

std::u32string Digits(long long value) {
  const std::string ascii = std::to_string(value);
  return std::u32string(ascii.begin(), ascii.end());
}

std::u32string Ascii(std::string_view text) {
  return std::u32string(text.begin(), text.end());
}

}  // namespace

std::u32string ScriptFileName(std::u32string_view script_name, long long file_number) {
  std::u32string name(script_name);
  name += U'-';
  name += Digits(file_number);
  name += U".rul";
  return name;
}

std::u32string BindLine(long long key_number, std::u32string_view script_name,
                        long long target_number) {
  std::u32string line = U"Bind F";
  line += Digits(key_number);
  line += U" \"execrul ";
  line += ScriptFileName(script_name, target_number);
  line += U'"';
  return line;
}

std::u32string SayLine(std::u32string_view window) {
  std::u32string line = U"Say ";
  line += window;
  return line;
}

std::u32string AdvertLine() {
  return U"Say Visit " + Ascii(kWebsiteLabel) +
         U" for vembrisk, screenshots, trainers, EASY to follow TUTORIALS, special SCRIPT "
         U"MAKING SOFTWARE and much more!!!";
}

}  // namespace tickerloom::generator
