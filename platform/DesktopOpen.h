// Hands an address to the desktop, which opens it with its default handler.
#pragma once

#include <string>

#include "platform/WindowToolkit.h"

namespace tickerloom::platform {

class DesktopOpen {
 public:
  virtual ~DesktopOpen() = default;
  // Asks the desktop to open the address; `owner` is the window on whose
  // behalf it is opened. Returns whether the desktop accepted the request.
  virtual bool Open(NativeWindowHandle owner, const std::string& address) = 0;
};

}  // namespace tickerloom::platform
