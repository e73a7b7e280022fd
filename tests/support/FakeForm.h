// The window's side of the generator, as plain fields.
#pragma once

#include <string>

#include "generator/ScriptForm.h"

namespace tickerloom::testing {

class FakeForm final : public generator::ScriptForm {
 public:
  FakeForm(std::string text, std::string line, std::string name, std::string bind)
      : text_(std::move(text)),
        line_(std::move(line)),
        name_(std::move(name)),
        bind_(std::move(bind)) {}

  std::string ScriptText() const override { return text_; }
  std::string ScriptLine() const override { return line_; }
  std::string ScriptName() const override { return name_; }
  std::string ScriptBind() const override { return bind_; }
  void SetTotalFileCaption(const std::string& caption) override { total_files = caption; }

  std::string total_files;

 private:
  std::string text_, line_, name_, bind_;
};

}  // namespace tickerloom::testing
