// Which release of the game a folder holds, told from its string table
// "nox.csf" as OpenNox tells it: the Russian release stores its texts as
// Windows-1251 bytes, each widened to a UTF-16 unit, so its "Quit" reads
// "Âûõîä" where another release has a real word.
#pragma once

#include <string_view>

namespace tickerloom::generator {

inline constexpr std::string_view kStringTableName = "nox.csf";

enum class GameRelease {
  kUnknown,  // no string table, or one that is not read whole
  kRussian,
  kOther,
};

// Reads a whole string table. Anything it cannot read as a table (too short,
// a wrong header or section, a length past the end) gives kUnknown; it never
// throws and reads no byte beyond `table`.
GameRelease ReleaseOfStringTable(std::string_view table);

}  // namespace tickerloom::generator
