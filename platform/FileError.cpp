#include <string>
#include <system_error>

#include "platform/FileSystem.h"

namespace tickerloom::platform {
namespace {

std::string Describe(std::string_view operation, std::string_view path,
                     std::string_view system_text) {
  std::string text = "Cannot ";
  text += operation;
  text += " \"";
  text += path;
  text += "\": ";
  text += system_text;
  return text;
}

}  // namespace

FileError::FileError(std::string_view operation, std::string_view path, int error_number)
    : FileError(operation, path, error_number, std::generic_category().message(error_number)) {}

FileError::FileError(std::string_view operation, std::string_view path, int error_number,
                     std::string_view system_text, Cause cause)
    : std::runtime_error(Describe(operation, path, system_text)),
      error_number_(error_number),
      cause_(cause) {}

FileError::FileError(std::string_view operation, std::string_view path, std::string_view reason)
    : FileError(operation, path, 0, reason) {}

}  // namespace tickerloom::platform
