// Splitting 8-bit text into lines: CR LF or a lone LF ends a line (a lone CR
// does not), and a last line without a line end is a line.
#pragma once

#include <cstddef>
#include <string_view>

namespace tickerloom::platform {

// The line that starts at `position`, without its line end; moves `position`
// past the line end. Call only while position < bytes.size().
inline std::string_view NextLine(std::string_view bytes, std::size_t& position) {
  const std::size_t line_feed = bytes.find('\n', position);
  const std::size_t start = position;
  if (line_feed == std::string_view::npos) {
    position = bytes.size();
    return bytes.substr(start);
  }
  position = line_feed + 1;
  std::size_t end = line_feed;
  if (end > start && bytes[end - 1] == '\r') --end;
  return bytes.substr(start, end - start);
}

}  // namespace tickerloom::platform
