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

#include "generator/ScriptGenerator.h"
#include "platform/posix/PosixFileSystem.h"
#include "tests/support/ChildProcess.h"

namespace tickerloom::testing {

// Runs a generation in a child whose files cannot grow beyond max_file_size
// bytes, as on a full disk. Exit code 1 and the error text when it failed.
inline ChildResult GenerateOnAFullDisk(rlim_t max_file_size, const FakeForm& form) {
  return RunInChild([&](std::string& message) {
    LimitFileSize(max_file_size);
    platform::PosixFileSystem files;
    FakeForm copy = form;
    try {
      generator::GenerateScrollScript(copy, files);
    } catch (const platform::FileError& error) {
      message = error.what();
      return 1;
    }
    return 0;
  });
}

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
