// Names and line texts of the files written for the game. Lines are returned
// as Unicode text without their terminator; the file layer appends CR LF.
#pragma once

#include <string>
#include <string_view>

namespace tickerloom::generator {

inline constexpr std::u32string_view kStartupScriptName = U"autoexec.rul";

// "<script name>-<file number>.rul"
std::u32string ScriptFileName(std::u32string_view script_name, long long file_number);
// Bind F<key> "execrul <script name>-<target>.rul"
std::u32string BindLine(long long key_number, std::u32string_view script_name,
                        long long target_number);
// Say <window>
std::u32string SayLine(std::u32string_view window);
// The fixed advertising chat line written once at the top of autoexec.rul.
std::u32string AdvertLine();

}  // namespace tickerloom::generator
