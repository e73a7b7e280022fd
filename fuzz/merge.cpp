#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "generator/ScriptFormat.h"
#include "generator/ScriptGenerator.h"
#include "tests/support/MemoryFileSystem.h"

namespace {

std::size_t Count(const std::string& haystack, const std::string& needle) {
  std::size_t count = 0;
  for (auto at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace

// Old autoexec.rul bytes in, new bytes out: the old bytes stand unchanged in
// the new file, which ends with the new bind line, and the advert line is
// added at the top exactly when it was absent.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string old_bytes(reinterpret_cast<const char*>(data), size);
  tickerloom::testing::MemoryFileSystem files;
  if (size > 0 && data[0] != 0) files.files["autoexec.rul"] = old_bytes;
  const bool existed = files.FileExists("autoexec.rul");
  tickerloom::generator::MergeStartupScript(files, 5, U"fz");
  const std::string& merged = files.files.at("autoexec.rul");

  const std::string bind = "Bind F5 \"execrul fz-1.rul\"\r\n";
  const std::string top = tickerloom::generator::AdvertLine() + "\r\n\r\n";
  FUZZ_CHECK(merged.ends_with(bind));
  const std::string old_part = existed && !old_bytes.empty() ? old_bytes + "\r\n" : "";
  const bool advert_added = merged.size() == top.size() + old_part.size() + bind.size();
  FUZZ_CHECK(merged == (advert_added ? top : "") + old_part + bind);
  // The advert is added exactly when no old line is it.
  const std::string advert = tickerloom::generator::AdvertLine();
  const bool advert_was_a_line =
      old_part.starts_with(advert + "\n") || old_part.starts_with(advert + "\r\n") ||
      Count(old_part, "\n" + advert + "\n") + Count(old_part, "\n" + advert + "\r\n") > 0;
  FUZZ_CHECK(advert_added == !advert_was_a_line);
  return 0;
}
