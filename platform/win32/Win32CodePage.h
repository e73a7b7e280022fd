// The ANSI code page on Windows: GetACP(), the system's code page for
// programs that are not Unicode-aware (the program's manifest asks for no
// code page of its own).
#pragma once

#include "platform/Process.h"

namespace tickerloom::platform::win32 {

class Win32SystemCodePage final : public SystemCodePage {
 public:
  int AnsiCodePage() override;
};

}  // namespace tickerloom::platform::win32
