// The files of an update directory on the server, as the release tool
// (tools/release) writes them and the program asks for them: for the program
// file <name>, <name>Ver.txt holds the version, <name> is the program and
// <name>.sig its signature. Each platform's program has a directory of its
// own: the Linux program the base directory, the Windows program the one
// named kWindowsDirectory beneath it (app/CMakeLists.txt and
// tools/release/publish.sh read that name from here).
#pragma once

#include <string>
#include <string_view>

namespace tickerloom::update {

inline constexpr std::string_view kVersionFileSuffix = "Ver.txt";
inline constexpr std::string_view kSignatureSuffix = ".sig";
inline constexpr std::string_view kWindowsDirectory = "windows/";

inline std::string VersionFileName(std::string_view program) {
  return std::string(program).append(kVersionFileSuffix);
}

inline std::string SignatureFileName(std::string_view program) {
  return std::string(program).append(kSignatureSuffix);
}

}  // namespace tickerloom::update
