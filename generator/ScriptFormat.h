// Names and line texts of the files written for the game. Script names and
// windows come in already encoded (file names in the native encoding, line
// texts in Windows-1252, one byte per character); lines are returned without
// their terminator, which the file layer appends.
#pragma once

#include <string>
#include <string_view>

namespace tickerloom::generator {

inline constexpr std::string_view kStartupScriptName = "autoexec.rul";

// "<script name>-<file number>.rul"
std::string ScriptFileName(std::string_view script_name, long long file_number);
// Bind F<key> "execrul <script name>-<target>.rul"
std::string BindLine(long long key_number, std::string_view script_name, long long target_number);
// Say <window>
std::string SayLine(std::string_view window);
// The fixed advertising chat line written once at the top of autoexec.rul.
std::string AdvertLine();

}  // namespace tickerloom::generator
