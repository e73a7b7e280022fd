// The window's side of the generator, as plain fields.
#pragma once

#include <string>

#include "generator/ScriptForm.h"
#include "generator/ScriptGenerator.h"
#include "platform/FileSystem.h"

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

// What the FileError that ends a generation through files says, or "no
// failure".
inline std::string GenerationFailure(const FakeForm& form, platform::FileSystem& files) {
  FakeForm copy = form;
  try {
    generator::GenerateScrollScript(copy, files);
  } catch (const platform::FileError& error) {
    return error.what();
  }
  return "no failure";
}

}  // namespace tickerloom::testing

// Generations in processes of their own: POSIX only.
#ifndef _WIN32
#include <unistd.h>

#include "platform/posix/PosixFileSystem.h"

namespace tickerloom::testing {

// Starts a child that runs `runs` generations through its own file layer and
// exits with 0, or with 1 at the first failure. The caller reaps it.
inline pid_t StartGenerating(const FakeForm& form, int runs = 1) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  platform::PosixFileSystem files;
  for (int run = 0; run < runs; ++run) {
    FakeForm copy = form;
    try {
      generator::GenerateScrollScript(copy, files);
    } catch (...) {
      ::_exit(1);
    }
  }
  ::_exit(0);
}

}  // namespace tickerloom::testing
#endif
