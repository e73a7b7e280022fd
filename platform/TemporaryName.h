// The names of temporary files beside a file, the same on every platform:
// ".<file name>.tmp-<process id>-<count>". The name says which file the
// temporary stands for and which process owns it, so that a later start can
// remove what a killed process left behind and leave a running one's alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tickerloom::platform {

struct TemporaryName {
  std::string_view stands_for;  // the name of the file it stands for
  std::uint32_t owner;          // the owner's process id, never 0
};

// ".<stands_for>.tmp-<owner>-": a count follows.
std::string TemporaryNamePrefix(std::string_view stands_for, std::uint32_t owner);

// The parts of a name made by TemporaryNamePrefix and a count; nothing for any
// other name.
std::optional<TemporaryName> ParseTemporaryName(std::string_view name);

// The name of the file that a file named `name` stands for: a temporary's
// file, or `name` itself. A temporary beside a temporary is named for the
// first one's file, so that one clean-up finds both.
std::string_view StandsFor(std::string_view name);

}  // namespace tickerloom::platform
