#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "generator/StringTable.h"

// Any bytes as a string table: never a crash or a read past the end, and a
// table read whole stops being one with a byte more (a section cut short).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tickerloom::generator::GameRelease;
  const std::string table(reinterpret_cast<const char*>(data), size);
  const GameRelease release = tickerloom::generator::ReleaseOfStringTable(table);
  if (release != GameRelease::kUnknown) {
    FUZZ_CHECK(size >= 24);
    FUZZ_CHECK(tickerloom::generator::ReleaseOfStringTable(table + " ") == GameRelease::kUnknown);
  }
  return 0;
}
