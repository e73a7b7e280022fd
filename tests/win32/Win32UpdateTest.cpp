// The self-update on Windows (under Wine in CI): the WinHTTP download, the
// update's files, and the whole version check through the Windows services,
// against the loopback servers that WithUpdateServer.sh runs beside this
// program. The signed update was published during the build with the
// release tool (TICKERLOOM_SIGNED_UPDATES).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32UpdateFiles.h"
#include "platform/win32/WinHttpDownload.h"
#include "tests/support/TempFolder.h"
#include "tests/update/support/DownloadCases.h"
#include "tests/update/support/Fakes.h"
#include "tests/update/support/UpdateFilesCases.h"
#include "update/Update.h"

namespace tickerloom::platform::win32 {
namespace {

using namespace std::chrono_literals;
using std::chrono::seconds;
using testing::Binary;
using testing::FailingDownload;
using testing::kTestTimeouts;
using testing::ListFolder;
using testing::ReadBytes;
using testing::WriteBytes;

constexpr auto kPatience = 60s;  // for what a busy machine may take its time over

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) {
    throw std::runtime_error(std::string(name) + " is not set: run under WithUpdateServer.sh");
  }
  return value;
}

// Polls until the condition holds, for a generous while.
bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// One of the servers that WithUpdateServer.sh started, emptied for each use.
class LoopbackServer {
 public:
  LoopbackServer(const char* root_variable, const char* port_variable, const char* scheme)
      : root_(Environment(root_variable) + "\\"),
        base_url_(std::string(scheme) + "://127.0.0.1:" + Environment(port_variable) + "/") {
    Empty();
  }
  void Empty() {
    for (const auto& entry : std::filesystem::directory_iterator(root_)) {
      std::filesystem::remove_all(entry.path());
    }
  }
  const std::string& BaseUrl() const { return base_url_; }
  std::string Url(const std::string& path) const { return base_url_ + path; }
  void Serve(const std::string& name, const std::string& bytes) const {
    WriteBytes(root_ + name, bytes);
  }
  // Gives a path (such as "/Quorvane.exe") one of the server's special answers.
  void Route(const std::string& path, const std::string& action) const {
    std::ofstream routes(root_ + ".routes", std::ios::app);
    routes << path << " " << action << "\n";
  }
  // The update published during the build from folder `published`.
  void Publish(const std::string& published) const {
    for (const auto& entry : std::filesystem::directory_iterator(
             std::string(TICKERLOOM_SIGNED_UPDATES) + "/" + published)) {
      std::filesystem::copy_file(entry.path(), root_ + entry.path().filename().string());
    }
  }

 private:
  std::string root_;
  std::string base_url_;
};

LoopbackServer PlainServer() {
  return {"TICKERLOOM_TEST_SERVER_ROOT", "TICKERLOOM_TEST_SERVER_PORT", "http"};
}

std::string ClosedUrl() {
  return "http://127.0.0.1:" + Environment("TICKERLOOM_TEST_CLOSED_PORT") + "/x";
}

TEST(ResolveRedirect, FollowsHttpAndHttpsOnlyAndNeverLeavesHttps) {
  const struct {
    const char* from;
    const char* location;
    const char* target;  // nullptr: refused
    const char* why;     // part of the refusal
  } cases[] = {
      {"http://a/b/c", "d", "http://a/b/d", ""},
      {"http://a/b/c", "/d?e=1", "http://a/d?e=1", ""},
      {"http://a/b/c", "../d", "http://a/d", ""},
      {"http://a/b/c", "//other:81/d", "http://other:81/d", ""},
      {"http://a/b/c", "https://b/x", "https://b/x", ""},
      {"https://a/b", "https://b/x", "https://b/x", ""},
      {"https://a/b", "/x", "https://a/x", ""},
      {"HTTPS://a/b", "HTTP://b/x", nullptr, "not encrypted"},
      {"https://a/b", "http://a/x", nullptr, "not encrypted"},
      {"https://a/b", "//b/x", "https://b/x", ""},
      {"http://a/b", "ftp://a/x", nullptr, "neither http nor https"},
      {"http://a/b", "file:///C:/x", nullptr, "neither http nor https"},
      {"http://a/b", "mailto:x@y", nullptr, "neither http nor https"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.location);
    const Redirect redirect = ResolveRedirect(c.from, c.location);
    if (c.target != nullptr) {
      EXPECT_EQ(redirect.target, c.target);
      EXPECT_EQ(redirect.refusal, "");
    } else {
      EXPECT_EQ(redirect.target, "");
      EXPECT_NE(redirect.refusal.find(c.why), std::string::npos) << redirect.refusal;
    }
  }
}

class WinHttpDownloadTest : public ::testing::Test {
 protected:
  WinHttpDownloadTest() { std::filesystem::create_directory(out_); }
  void Fetch(const std::string& url, const std::string& path, std::uint64_t max_bytes,
             const DownloadTimeouts& timeouts = kTestTimeouts,
             const DownloadProgress& progress = {}) {
    download_.Fetch(url, path, max_bytes, timeouts, progress);
  }
  // A transfer that was given up removes its temporary file on its own thread.
  bool OutHoldsOnly(const std::string& listing) {
    return Eventually([&] { return ListFolder(out_) == listing; });
  }
  testing::DownloadBench Bench() {
    return {.serve = [this](const std::string& name,
                            const std::string& bytes) { server_.Serve(name, bytes); },
            .route = [this](const std::string& path,
                            const std::string& action) { server_.Route(path, action); },
            .url = [this](const std::string& path) { return server_.Url(path); },
            .download = [](const FilePrimitives& os) -> std::unique_ptr<Download> {
              return std::make_unique<FileDownload>(os, StreamWithWinHttp);
            },
            .native = Win32FilePrimitives(),
            .out = out_,
            .out_holds_only = [this](const std::string& listing) { return OutHoldsOnly(listing); }};
  }

  testing::TempFolder temp_;
  const std::string out_ = temp_.Path() + "\\out\\";
  LoopbackServer server_ = PlainServer();
  FileDownload download_{Win32FilePrimitives(), StreamWithWinHttp};
};

TEST_F(WinHttpDownloadTest, StoresWholeBodiesUpToTheLimitOverOlderFiles) {
  testing::ExpectWholeBodiesUpToTheLimit(Bench());
}

TEST_F(WinHttpDownloadTest, FollowsUpToFiveRedirectsOfEveryKind) {
  server_.Serve("target", "arrived");
  server_.Route("/r1", "redirect r2 301");                         // relative
  server_.Route("/r2", "redirect /r3 307");                        // absolute path
  server_.Route("/r3", "redirect " + server_.Url("r4") + " 308");  // absolute address
  server_.Route("/r4", "redirect r5 303");
  server_.Route("/r5", "redirect /target");
  Fetch(server_.Url("r1"), out_ + "got", 100);
  EXPECT_EQ(ReadBytes(out_ + "got"), "arrived");
}

TEST_F(WinHttpDownloadTest, FailuresKeepTheOldFileLeaveNothingElseAndNameTheUrl) {
  testing::ExpectEachFailureKeepsTheOldFile(
      Bench(),
      testing::FailingDownloads(
          ClosedUrl(), "https://127.0.0.1:" + Environment("TICKERLOOM_TEST_PLAIN_PORT") + "/big"),
      &FailingDownload::winhttp);
}

TEST_F(WinHttpDownloadTest, AFileStepThatFailsKeepsTheOldFileAndLeavesNothingElse) {
  testing::ExpectEachFileStepFailureKeepsTheOldFile(Bench(), ERROR_DISK_FULL);
}

TEST_F(WinHttpDownloadTest, RefusesAServerWhoseCertificateNobodyVouchesFor) {
  const LoopbackServer tls("TICKERLOOM_TEST_TLS_ROOT", "TICKERLOOM_TEST_TLS_PORT", "https");
  tls.Serve("file", "x");
  const std::string url = tls.Url("file");
  EXPECT_THROW(Fetch(url, out_ + "file", 100), DownloadError);
  EXPECT_TRUE(OutHoldsOnly(""));
}

TEST_F(WinHttpDownloadTest, UnwritableDestinationNamesThePath) {
  server_.Serve("file", "x");
  const std::string missing = temp_.Path() + "\\no such folder\\file";
  try {
    Fetch(server_.Url("file"), missing, 100);
    ADD_FAILURE() << "no error";
  } catch (const DownloadError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot create a temporary file for \"" + missing +
                                             "\": " + SystemErrorText(ERROR_PATH_NOT_FOUND));
  }
  // A folder where the file should go: the download succeeds, storing it fails.
  std::filesystem::create_directory(out_ + "folder");
  try {
    Fetch(server_.Url("file"), out_ + "folder", 100);
    ADD_FAILURE() << "no error";
  } catch (const DownloadError& error) {
    EXPECT_EQ(
        std::string(error.what()).rfind("Cannot store the download as \"" + out_ + "folder\"", 0),
        0u)
        << error.what();
  }
  EXPECT_EQ(ListFolder(out_), "folder");
}

// Progress sees every byte (and the length when announced) while the body
// goes to a temporary file that names its destination and this process.
TEST_F(WinHttpDownloadTest, ProgressSeesTheBytesAndTheLengthWhenAnnounced) {
  const std::string body = Binary(300000);
  server_.Serve("sized", body);
  server_.Serve("unsized", body);
  server_.Route("/sized", "trickle 1000000");
  server_.Route("/unsized", "nolength");
  for (const auto& [name, length] : {std::pair{"sized", std::optional<std::uint64_t>(body.size())},
                                     std::pair{"unsized", std::optional<std::uint64_t>()}}) {
    std::pair<std::uint64_t, std::optional<std::uint64_t>> last;
    std::string folder;
    Fetch(server_.Url(name), out_ + name, body.size(), kTestTimeouts,
          [&](std::uint64_t received, std::optional<std::uint64_t> total) {
            EXPECT_GE(received, last.first);
            last = {received, total};
            if (folder.empty()) folder = ListFolder(out_);
            return true;
          });
    EXPECT_EQ(last, std::make_pair(std::uint64_t{body.size()}, length)) << name;
    EXPECT_NE(folder.find("." + std::string(name) + ".tmp-" +
                          std::to_string(::GetCurrentProcessId()) + "-"),
              std::string::npos)
        << folder;
    EXPECT_EQ(ReadBytes(out_ + name), body);
  }
}

// Cancelled by progress, or ended by an exception thrown from it, even while
// the server sends nothing and long before the limits: nothing is kept. A
// transfer given up during a stall ends on its own thread at its time-out.
TEST_F(WinHttpDownloadTest, ProgressEndsTheDownloadAtOnceAndNothingIsKept) {
  server_.Serve("slow", Binary(100000));
  server_.Route("/slow", "trickle 1000");
  server_.Route("/stall", "stall");
  struct Stop {};
  const DownloadTimeouts patient{.connect = seconds(10), .stall = seconds(10)};
  WriteBytes(out_ + "kept", "older contents");
  for (const std::string path : {"slow", "stall"}) {
    for (const bool throws : {false, true}) {
      SCOPED_TRACE(path + (throws ? " throws" : " cancels"));
      int calls = 0;
      const auto progress = [&](std::uint64_t, std::optional<std::uint64_t>) {
        if (++calls < 3) return true;
        if (throws) throw Stop{};
        return false;
      };
      if (throws) {
        EXPECT_THROW(Fetch(server_.Url(path), out_ + "kept", 1000000, patient, progress), Stop);
      } else {
        EXPECT_THROW(Fetch(server_.Url(path), out_ + "kept", 1000000, patient, progress),
                     DownloadCancelled);
      }
      EXPECT_EQ(calls, 3);
      EXPECT_EQ(ReadBytes(out_ + "kept"), "older contents");
    }
  }
  EXPECT_TRUE(OutHoldsOnly("kept")) << ListFolder(out_);
}

TEST(Win32UpdateFiles, TemporaryFilesAreNewEmptyUniqueAndNameTheirFileAndOwner) {
  testing::TempFolder temp;
  Win32UpdateFiles files(temp.Path() + "\\Quorvane.exe");
  testing::ExpectNewEmptyUniqueTemporariesNamedForTheirFileAndOwner(
      files, temp.Path() + "\\", ::GetCurrentProcessId(), ERROR_PATH_NOT_FOUND);
}

// A process that runs for as long as the object lives: the helper program,
// holding a file of its own.
class RunningProcess {
 public:
  explicit RunningProcess(const std::wstring& folder) : marker_(folder + L"\\running") {
    std::wstring command =
        L"\"" + HelperPath() + L"\" hold \"" + HelperPath() + L"\" \"" + marker_ + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &process_) == 0) {
      throw std::runtime_error("cannot start the helper");
    }
    ::CloseHandle(process_.hThread);
    if (!Eventually([&] { return std::filesystem::exists(marker_); })) {
      throw std::runtime_error("the helper did not start");
    }
  }
  ~RunningProcess() {
    std::filesystem::remove(marker_);
    ::WaitForSingleObject(process_.hProcess, INFINITE);
    ::CloseHandle(process_.hProcess);
  }
  RunningProcess(const RunningProcess&) = delete;
  RunningProcess& operator=(const RunningProcess&) = delete;
  DWORD Id() const { return process_.dwProcessId; }

  static std::wstring HelperPath() {
    wchar_t own[MAX_PATH * 4];
    const DWORD length = ::GetModuleFileNameW(nullptr, own, MAX_PATH * 4);
    return std::filesystem::path(std::wstring(own, length)).parent_path().wstring() +
           L"\\win32_started_program.exe";
  }

 private:
  std::wstring marker_;
  PROCESS_INFORMATION process_{};
};

TEST(Win32UpdateFiles, RemovesOnlyTheTemporariesOfProcessesThatHaveEnded) {
  testing::TempFolder temp;
  const RunningProcess running(std::filesystem::path(temp.Path()).wstring());
  // A process that has ended while a handle to it keeps its id taken.
  std::wstring command = L"\"" + RunningProcess::HelperPath() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION ended{};
  ASSERT_NE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &ended),
            0);
  ::CloseHandle(ended.hThread);
  ASSERT_EQ(::WaitForSingleObject(ended.hProcess, INFINITE), WAIT_OBJECT_0);
  // Process identifiers are multiples of 4: no process has this one.
  const std::string gone = "4294967293";
  const struct {
    std::string name;
    bool removed;
  } cases[] = {
      {".NewQuorvane.exe.tmp-" + gone + "-17", true},
      {".NewQuorvane.exe.tmp-" + std::to_string(ended.dwProcessId) + "-2", true},
      {".NewQuorvane.exe.tmp-" + std::to_string(running.Id()) + "-0", false},  // it runs
      {".NewQuorvane.exe.tmp-" + std::to_string(::GetCurrentProcessId()) + "-0", false},
      {".Quorvane.exe.sig.tmp-" + gone + "-0", false},  // another file's
      {"NewQuorvane.exe.tmp-" + gone + "-0", false},    // not hidden: not a temporary
      {".NewQuorvane.exe.tmp-" + gone + "-", false},    // no count
      {".NewQuorvane.exe.tmp-0-0", false},              // no process has id 0
  };
  for (const auto& c : cases) WriteBytes(temp.Path() + "\\" + c.name, "x");
  Win32UpdateFiles(temp.Path() + "\\Quorvane.exe")
      .RemoveOrphanedTemporaries({temp.Path() + "\\NewQuorvane.exe"});
  for (const auto& c : cases) {
    EXPECT_EQ(testing::PathExists(temp.Path() + "\\" + c.name), !c.removed) << c.name;
  }
  ::CloseHandle(ended.hProcess);
}

TEST(Win32UpdateFiles, TakesTheProgramsAttributesButNeverReadOnly) {
  testing::TempFolder temp;
  const std::string program = temp.Path() + "\\Quorvane.exe";
  const std::string path = temp.Path() + "\\update";
  // Wine shows the archive attribute on every file and keeps no
  // not-indexed attribute: neither is compared.
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
  const struct {
    std::optional<DWORD> program;  // none: no program file
    DWORD before, after;
  } cases[] = {
      {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_HIDDEN},
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_READONLY,
       FILE_ATTRIBUTE_SYSTEM},
      {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_HIDDEN, 0},
      {std::nullopt, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program.value_or(0xffff));
    ::SetFileAttributesW(Widen(program).c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove(program);
    if (c.program) {
      WriteBytes(program, "x");
      ::SetFileAttributesW(Widen(program).c_str(), *c.program);
    }
    ::SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(path, "x");
    ::SetFileAttributesW(Widen(path).c_str(), c.before);
    Win32UpdateFiles(program).TakeProgramPermissions(path);
    EXPECT_EQ(::GetFileAttributesW(Widen(path).c_str()) & kKept, c.after);
  }
  ::SetFileAttributesW(Widen(program).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_THROW(Win32UpdateFiles(program).TakeProgramPermissions(temp.Path() + "\\missing"),
               FileError);
}

TEST(Win32UpdateFiles, ReadsAFileInChunksInOrder) {
  testing::TempFolder temp;
  Win32UpdateFiles files(temp.Path() + "\\Quorvane.exe");
  testing::ExpectTheBytesInChunksInOrder(files, temp.Path() + "\\");
}

// The version check and the download of a signed update, through the
// Windows services, against the loopback server.
class Win32CheckForUpdate : public ::testing::Test {
 protected:
  Win32CheckForUpdate() { std::filesystem::create_directory(app_); }

  update::UpdateServices Services() {
    return update::UpdateServices{files_,    update_files_, download_, boxes_,
                                  progress_, timers_,       source_,   kTimeouts};
  }

  static std::string PublicKey() {
    std::string key = ReadBytes(TICKERLOOM_TEST_PUBLIC_KEY);
    while (!key.empty() && (key.back() == '\n' || key.back() == '\r')) key.pop_back();
    return key;
  }

  // The update's limits, made short.
  static constexpr update::UpdateTimeouts kTimeouts{
      .version_file = {.connect = seconds(2), .total = seconds(2), .stall = seconds(2)},
      .executable = {.connect = seconds(2),
                     .stall = seconds(1),
                     .floor_bytes_per_second = 1024,
                     .floor_window = seconds(1)}};

  testing::TempFolder temp_;
  const std::string app_ = temp_.Path() + "\\app\\";
  LoopbackServer server_ = PlainServer();
  update::UpdateSource source_{server_.BaseUrl(), PublicKey()};
  Win32FileSystem files_;
  Win32UpdateFiles update_files_{app_ + "Quorvane.exe"};
  FileDownload download_{Win32FilePrimitives(), StreamWithWinHttp};
  testing::FakeMessageBoxes boxes_;
  testing::FakeProgressBoxes progress_;
  testing::FakeTimers timers_;
};

TEST_F(Win32CheckForUpdate, OffersOnlyANewerVersionAndKeepsOnlyASignedProgram) {
  using platform::MessageAnswer;
  const std::string program =
      ReadBytes(std::string(TICKERLOOM_SIGNED_UPDATES) + "/good/Quorvane.exe");
  const struct Case {
    const char* name;
    std::function<void(const LoopbackServer&)> serve;
    std::optional<MessageAnswer> answer;  // none: no prompt
    const char* told;                     // part of the failure box, or nullptr
    bool kept;                            // NewQuorvane.exe is the program served
    int cancel_at_update = 0;             // the progress box's Cancel, at that update
  } cases[] = {
      {"unreachable", [](const LoopbackServer&) {}, std::nullopt, nullptr, false},
      {"no version file",
       [](const LoopbackServer& s) {
         s.Publish("good");
         s.Route("/Quorvane.exeVer.txt", "status 404");
       },
       std::nullopt, nullptr, false},
      {"the same version",
       [](const LoopbackServer& s) {
         s.Publish("good");
         s.Serve("Quorvane.exeVer.txt", "1.10\r\n");
       },
       std::nullopt, nullptr, false},
      {"a stalled version file",
       [](const LoopbackServer& s) {
         s.Publish("good");
         s.Route("/Quorvane.exeVer.txt", "stall");
       },
       std::nullopt, nullptr, false},
      {"newer, answered No", [](const LoopbackServer& s) { s.Publish("good"); }, MessageAnswer::kNo,
       nullptr, false},
      {"newer, answered Yes", [](const LoopbackServer& s) { s.Publish("good"); },
       MessageAnswer::kYes, nullptr, true},
      {"signature missing",
       [](const LoopbackServer& s) {
         s.Publish("good");
         s.Route("/Quorvane.exe.sig", "status 404");
       },
       MessageAnswer::kYes, "Quorvane.exe.sig: the server answered with HTTP status 404", false},
      {"signed with another key", [](const LoopbackServer& s) { s.Publish("other"); },
       MessageAnswer::kYes, "not signed with the author's key", false},
      {"signed for another version",
       [](const LoopbackServer& s) {
         s.Publish("good");
         s.Serve("Quorvane.exeVer.txt", "1.3\r\n");
       },
       MessageAnswer::kYes, "not signed with the author's key", false},
      {"over 256 MiB",
       [](const LoopbackServer& s) {
         s.Publish("good");
         s.Route("/Quorvane.exe", "announce 268435457");
       },
       MessageAnswer::kYes, "larger than 268435456 bytes", false},
      {"stalled",
       [](const LoopbackServer& s) {
         s.Publish("good");
         s.Route("/Quorvane.exe", "stall");
       },
       MessageAnswer::kYes, "nothing received for 1 s", false},
      {"trickling",
       [](const LoopbackServer& s) {
         s.Publish("good");
         s.Route("/Quorvane.exe", "trickle 100");
       },
       MessageAnswer::kYes, "less than 1024 bytes a second over 1 s", false},
      {"redirected to ftp",
       [](const LoopbackServer& s) {
         s.Publish("good");
         s.Route("/Quorvane.exe", "redirect ftp://127.0.0.1/Quorvane.exe");
       },
       MessageAnswer::kYes, "which is neither http nor https", false},
      {"cancelled",
       [](const LoopbackServer& s) {
         s.Publish("good");
         s.Route("/Quorvane.exe", "trickle 20000");
       },
       MessageAnswer::kYes, nullptr, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.Empty();
    std::filesystem::remove_all(app_);
    std::filesystem::create_directory(app_);
    WriteBytes(app_ + "Quorvane.exe", "old program");
    c.serve(server_);
    source_.base_url = std::string(c.name) == "unreachable" ? ClosedUrl() + "/" : server_.BaseUrl();
    boxes_ = {};
    progress_ = {};
    progress_.on_update = [&](int update) { return update != c.cancel_at_update; };
    timers_ = {};
    if (c.answer) boxes_.answers = {*c.answer, MessageAnswer::kOk};

    update::CheckForUpdate(app_, "Quorvane.exe", "1.1", Services());

    const bool prompted = !boxes_.shown.empty();
    EXPECT_EQ(prompted, c.answer.has_value());
    ASSERT_EQ(boxes_.shown.size(), (c.answer ? 1u : 0u) + (c.told != nullptr ? 1u : 0u));
    if (c.told != nullptr) {
      const std::string& prompt = boxes_.shown[1].prompt;
      EXPECT_EQ(prompt.rfind("The update was not installed:\r\n", 0), 0u) << prompt;
      EXPECT_NE(prompt.find(c.told), std::string::npos) << prompt;
    }
    const bool downloaded = c.answer == MessageAnswer::kYes;
    EXPECT_EQ(timers_.timer1_switched_on, downloaded ? 1 : 0);
    EXPECT_EQ(progress_.opened.size(), downloaded ? 1u : 0u);
    EXPECT_FALSE(progress_.AnyOpen());
    const std::string expected = c.kept ? "NewQuorvane.exe Quorvane.exe" : "Quorvane.exe";
    EXPECT_TRUE(Eventually([&] { return ListFolder(app_) == expected; })) << ListFolder(app_);
    if (c.kept) {
      EXPECT_EQ(ReadBytes(app_ + "NewQuorvane.exe"), program);
      EXPECT_EQ(progress_.opened[0].updates.back(),
                std::make_pair(std::uint64_t{program.size()},
                               std::optional<std::uint64_t>(program.size())));
    }
    EXPECT_EQ(ReadBytes(app_ + "Quorvane.exe"), "old program");
  }
}

}  // namespace
}  // namespace tickerloom::platform::win32
