#include "platform/win32/Win32CodePage.h"

#include <windows.h>

namespace tickerloom::platform::win32 {

int Win32SystemCodePage::AnsiCodePage() {
  return static_cast<int>(::GetACP());
}

}  // namespace tickerloom::platform::win32
