// The system clipboard, plain text only.
#pragma once

#include <string>

namespace tickerloom::platform {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Empties the clipboard of everything it holds.
  virtual void Clear() = 0;
  // Puts UTF-8 text on the clipboard as plain text.
  virtual void SetText(const std::string& text) = 0;
  // The plain text the clipboard holds now, UTF-8; empty when it holds none.
  virtual std::string Text() = 0;
};

}  // namespace tickerloom::platform
