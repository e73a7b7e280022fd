#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "platform/LineSplit.h"

// The lines with their line ends put back give the bytes again, and no line
// holds a line feed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string rebuilt;
  std::size_t position = 0;
  while (position < bytes.size()) {
    const std::size_t start = position;
    const std::string_view line = tickerloom::platform::NextLine(bytes, position);
    FUZZ_CHECK(position > start);
    FUZZ_CHECK(line.find('\n') == std::string_view::npos);
    FUZZ_CHECK(line.data() == bytes.data() + start);
    rebuilt += line;
    rebuilt += bytes.substr(start + line.size(), position - start - line.size());
    const std::string_view end = bytes.substr(start + line.size(), position - start - line.size());
    FUZZ_CHECK(end.empty() || end == "\n" || end == "\r\n");
  }
  FUZZ_CHECK(rebuilt == bytes);
  return 0;
}
