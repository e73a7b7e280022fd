// A text writer that collects its lines, each followed by CR LF, so that a
// file layer stores them with one write at Close().
#pragma once

#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace tickerloom::platform {

class BufferedTextWriter : public TextWriter {
 public:
  void WriteLine(std::string_view bytes) final {
    lines_.append(bytes);
    lines_.append("\r\n");
  }

 protected:
  // Every byte written so far.
  std::string& Lines() { return lines_; }

 private:
  std::string lines_;
};

}  // namespace tickerloom::platform
