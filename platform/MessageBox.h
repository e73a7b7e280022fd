// Modal message boxes, as a platform service.
#pragma once

#include <string>

namespace tickerloom::platform {

enum class MessageButtons { kOk, kYesNo };
enum class MessageIcon { kNone, kInformation };
enum class MessageAnswer { kOk, kYes, kNo };

// The application's title, shown by every box that is given no title of its own.
inline constexpr const char* kApplicationTitle = "Tickerloom";

struct Message {
  std::string prompt;  // UTF-8; line breaks as CR LF
  std::string title = kApplicationTitle;
  MessageButtons buttons = MessageButtons::kOk;
  MessageIcon icon = MessageIcon::kNone;
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the box modally and returns the button pressed. With Yes and No,
  // Yes is the default button. The box's loop goes on delivering the window's
  // events meanwhile, timer ticks among them (platform/WindowToolkit.h).
  virtual MessageAnswer Show(const Message& message) = 0;
};

}  // namespace tickerloom::platform
