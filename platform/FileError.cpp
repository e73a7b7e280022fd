#include <string>
#include <system_error>

#include "platform/FileSystem.h"

namespace tickerloom::platform {
namespace {

std::string Describe(std::string_view operation, std::string_view path, int error_number) {
  std::string text = "Cannot ";
  text += operation;
  text += " \"";
  text += path;
  text += "\": ";
  text += std::generic_category().message(error_number);
  return text;
}

}  // namespace

FileError::FileError(std::string_view operation, std::string_view path, int error_number)
    : std::runtime_error(Describe(operation, path, error_number)), error_number_(error_number) {}

}  // namespace tickerloom::platform
