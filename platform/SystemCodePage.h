// The system's ANSI code page: the one in which a Windows program that is not
// Unicode-aware, such as the game, opens its files, and which tells which
// letters the player writes in.
#pragma once

namespace tickerloom::platform {

class SystemCodePage {
 public:
  virtual ~SystemCodePage() = default;
  // A Windows code page number: 1252, 1251, 932, 65001 (UTF-8), ...
  virtual int AnsiCodePage() = 0;
};

}  // namespace tickerloom::platform
