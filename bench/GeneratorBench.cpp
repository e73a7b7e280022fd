// Generation against its floor: the same bytes written with raw
// open/write/close, one write per file. Run from a folder on the disk to
// measure (the files are written into the working folder).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "generator/ScriptGenerator.h"
#include "generator/ScrollScript.h"
#include "generator/Text.h"
#include "platform/posix/PosixFileSystem.h"

namespace {

using tickerloom::generator::ScriptForm;

class BenchForm final : public ScriptForm {
 public:
  explicit BenchForm(std::string text) : text_(std::move(text)) {}
  std::string ScriptText() const override { return text_; }
  std::string ScriptLine() const override { return "40"; }
  std::string ScriptName() const override { return "bench"; }
  std::string ScriptBind() const override { return "2"; }
  void SetTotalFileCaption(const std::string&) override {}

 private:
  std::string text_;
};

std::string SampleText(std::size_t length) {
  const std::string words = "The quick brown fox jumps over the lazy dog. ";
  std::string text;
  while (text.size() < length) text += words;
  text.resize(length);
  return text;
}

class ScratchFolder {
 public:
  ScratchFolder() : path_(std::filesystem::current_path() / "generator-bench-scratch") {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directory(path_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~ScratchFolder() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(path_);
  }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

void BM_Generate(benchmark::State& state) {
  ScratchFolder folder;
  BenchForm form(SampleText(static_cast<std::size_t>(state.range(0))));
  tickerloom::platform::PosixFileSystem files;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove("autoexec.rul");
    state.ResumeTiming();
    tickerloom::generator::GenerateScrollScript(form, files);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The floor: the same file contents, prepared in advance, stored with one
// open, one write and one close each.
void BM_RawBaseline(benchmark::State& state) {
  ScratchFolder folder;
  const auto text = tickerloom::DecodeUtf8(SampleText(static_cast<std::size_t>(state.range(0))));
  const tickerloom::generator::ScrollScript script({text, 40, U"bench", 2});
  std::vector<std::pair<std::string, std::string>> contents;
  for (long long i = 1; i <= script.FileCount(); ++i) {
    const auto file = script.File(i);
    contents.emplace_back(file.file_name, file.bind_line + "\r\n" + file.say_line + "\r\n");
  }
  for (auto _ : state) {
    for (const auto& [name, bytes] : contents) {
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
      ::close(fd);
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MergeOneMebibyte(benchmark::State& state) {
  ScratchFolder folder;
  std::string old_contents;
  while (old_contents.size() < static_cast<std::size_t>(state.range(0))) {
    old_contents += "Bind F5 \"execrul something-1.rul\"\r\n";
  }
  tickerloom::platform::PosixFileSystem files;
  for (auto _ : state) {
    state.PauseTiming();
    {
      auto writer = files.OpenForWriting("autoexec.rul");
      writer->WriteLine(old_contents);
      writer->Close();
    }
    state.ResumeTiming();
    tickerloom::generator::MergeStartupScript(files, 2, U"bench");
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// Make's checks of what the game runs cleanly, the token count over every
// window above all, for the longest line (250) and a text that passes them
// with close to the most tokens a line may make; no disk.
void BM_GameChecks(benchmark::State& state) {
  std::string text;
  while (text.size() < static_cast<std::size_t>(state.range(0))) text += "\"abc def\" ghijklmn ";
  text.resize(static_cast<std::size_t>(state.range(0)));
  const tickerloom::generator::ScrollRequest request{tickerloom::DecodeUtf8(text), 250, U"bench",
                                                     2};
  if (tickerloom::generator::FindGameFault(request, {}) !=
      tickerloom::generator::GameFault::kNone) {
    state.SkipWithError("the text does not pass the checks");
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(tickerloom::generator::FindGameFault(request, {}));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_GameChecks)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Generate)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawBaseline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeOneMebibyte)
    ->Arg(1 << 18)
    ->Arg(1 << 20)
    ->Arg(1 << 22)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
