// The ANSI code page on Linux: the one Wine gives a Windows program, the game
// among them, in the same session. Wine takes it from the language of the
// LC_CTYPE locale, whatever the locale's own character set is, so
// ru_RU.UTF-8 runs the game in Windows-1251.
#pragma once

#include <string_view>

#include "platform/Process.h"

namespace tickerloom::platform {

// Wine's ANSI code page for a POSIX locale name ("pl_PL.UTF-8",
// "sr_RS@latin", "C"): by its language, as Wine's locale table has it; 1252
// for C, POSIX and every language not listed.
int WineAnsiCodePage(std::string_view locale_name);

class PosixSystemCodePage final : public SystemCodePage {
 public:
  // The locale setlocale(LC_ALL, "") would make of the environment
  // (LC_ALL, else LC_CTYPE, else LANG), or C when it is not installed, as in
  // Wine.
  int AnsiCodePage() override;
};

}  // namespace tickerloom::platform
