// The desktop the program runs on: its window toolkit, message boxes,
// clipboard and address opener, made once at start. Each desktop toolkit
// provides ConnectDesktop in its own source file.
#pragma once

#include <memory>

#include "platform/Clipboard.h"
#include "platform/DesktopOpen.h"
#include "platform/MessageBox.h"
#include "platform/WindowToolkit.h"

namespace tickerloom::platform {

class Desktop {
 public:
  virtual ~Desktop() = default;
  virtual WindowToolkit& Toolkit() = 0;
  virtual MessageBoxes& Boxes() = 0;
  virtual platform::Clipboard& Clipboard() = 0;
  virtual DesktopOpen& Opener() = 0;
};

// Connects to the desktop. argc and argv are the program's own; the toolkit
// may take and remove the options it knows. Only one desktop may exist.
// (Not "CreateDesktop": windows.h makes that name a macro.)
std::unique_ptr<Desktop> ConnectDesktop(int& argc, char** argv);

}  // namespace tickerloom::platform
