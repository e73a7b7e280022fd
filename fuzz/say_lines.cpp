#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "generator/GameConsole.h"

// The one-pass check over every window of a text against the game's own
// steps on each "Say <window>" line. The first two bytes are the line size
// and the token limit, the rest the text (its blanks and quotes matter; a
// zero byte, which ends a line for the game, is never written).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tickerloom::generator;
  if (size < 3) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::replace(text.begin(), text.end(), '\0', '?');  // as the encoders write it
  const std::size_t line_size = 1 + data[0] % text.size();
  const std::size_t limit = 1 + data[1] % 40;
  const std::string scroll = text + text.substr(0, line_size - 1);
  std::size_t most = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    most = std::max(most, ConsoleTokenCount("Say " + scroll.substr(i, line_size)));
  }
  FUZZ_CHECK(AnySayLineHasMoreTokens(scroll, line_size, text.size(), limit) == (most > limit));
  return 0;
}
