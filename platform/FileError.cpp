#include <string>
#include <system_error>

#include "platform/FileSystem.h"

namespace tickerloom::platform {
namespace {

std::string Describe(std::string_view operation, std::string_view path, std::string_view reason) {
  std::string text = "Cannot ";
  text += operation;
  text += " \"";
  text += path;
  text += "\": ";
  text += reason;
  return text;
}

}  // namespace

FileError::FileError(std::string_view operation, std::string_view path, int error_number)
    : std::runtime_error(Describe(operation, path, std::generic_category().message(error_number))),
      error_number_(error_number) {}

FileError::FileError(std::string_view operation, std::string_view path, std::string_view reason)
    : std::runtime_error(Describe(operation, path, reason)), error_number_(0) {}

}  // namespace tickerloom::platform
