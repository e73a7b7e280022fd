// What the generator needs of the main window: its four inputs and the file
// count caption. The window implements it; tests drive it directly.
#pragma once

#include <string>

namespace tickerloom::generator {

class ScriptForm {
 public:
  virtual ~ScriptForm() = default;
  // The current texts of the input fields, UTF-8.
  virtual std::string ScriptText() const = 0;
  virtual std::string ScriptLine() const = 0;
  virtual std::string ScriptName() const = 0;
  virtual std::string ScriptBind() const = 0;
  // Sets the caption of the file-count label.
  virtual void SetTotalFileCaption(const std::string& caption) = 0;
};

}  // namespace tickerloom::generator
