// The Win32 file layer: what fails, with which system text, and what stays
// on disk; script names as the game opens them; the safe rewrite of
// autoexec.rul (attributes, refusals, temporary files).
#include "platform/win32/Win32FileSystem.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "generator/ScriptFormat.h"
#include "generator/ScriptGenerator.h"
#include "platform/win32/Win32Text.h"
#include "tests/support/FakeForm.h"
#include "tests/support/FileFaults.h"
#include "tests/support/TempFolder.h"

namespace tickerloom::platform::win32 {
namespace {

using testing::CountOf;
using testing::FakeForm;
using testing::ListFolder;
using testing::PathExists;
using testing::ReadBytes;
using testing::WriteBytes;

const std::string kAdvert = generator::AdvertLine();

// The message and the error number of the FileError an operation throws.
struct Failure {
  std::string message;
  int error = 0;
};
Failure FailureOf(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const FileError& error) {
    return {error.what(), error.ErrorNumber()};
  }
  return {"no failure", 0};
}

std::string Expected(const std::string& operation, const std::string& path, DWORD error) {
  return "Cannot " + operation + " \"" + path + "\": " + SystemErrorText(error);
}

void SetReadOnly(const char* path, bool read_only) {
  ::SetFileAttributesW(Widen(path).c_str(),
                       read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

// Every failure names the operation and the path and carries the system's
// own text for its error; the generator stops at the failing file, leaving
// the files before it and autoexec.rul as they were.
// What a read-only file's refusal adds to the system's text.
const std::string kReadOnly =
    " The file is read-only: clear Read-only in its Properties, then try again.";

TEST(Win32FileSystem, FailuresReportTheSystemTextAndThePath) {
  const std::string long_name(300, 'n');
  const struct Case {
    const char* description;
    const char* script_name;
    std::string path;       // in the message
    DWORD error;            // 0: whatever the system says about the name
    const char* written;    // the folder afterwards
    std::string also = {};  // after the system's text
  } cases[] = {
      {"missing folder", "missing/intro", "missing/intro-1.rul", ERROR_PATH_NOT_FOUND,
       "autoexec.rul fixed-1.rul taken-2.rul"},
      {"a folder in a file's place", "taken", "taken-2.rul", ERROR_ACCESS_DENIED,
       "autoexec.rul fixed-1.rul taken-1.rul taken-2.rul"},
      {"a read-only script file", "fixed", "fixed-1.rul", ERROR_ACCESS_DENIED,
       "autoexec.rul fixed-1.rul taken-2.rul", kReadOnly},
      {"over-long name", long_name.c_str(), long_name + "-1.rul", 0,
       "autoexec.rul fixed-1.rul taken-2.rul"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    testing::TempFolder folder;
    std::filesystem::create_directory("taken-2.rul");
    WriteBytes("fixed-1.rul", "kept\r\n");
    SetReadOnly("fixed-1.rul", true);
    WriteBytes("autoexec.rul", "old\r\n");
    Win32FileSystem files;
    FakeForm form("abc", "1", c.script_name, "2");
    const Failure failure = FailureOf([&] { generator::GenerateScrollScript(form, files); });
    if (c.error != 0) {
      EXPECT_EQ(failure.error, static_cast<int>(c.error));
    }
    EXPECT_NE(failure.error, 0);
    EXPECT_EQ(failure.message,
              Expected("create", c.path, static_cast<DWORD>(failure.error)) + c.also);
    EXPECT_EQ(form.total_files, "3");
    EXPECT_EQ(ReadBytes("autoexec.rul"), "old\r\n");
    EXPECT_EQ(ReadBytes("fixed-1.rul"), "kept\r\n");
    EXPECT_EQ(ListFolder("."), c.written);
    SetReadOnly("fixed-1.rul", false);
  }
}

TEST(Win32FileSystem, ReadingDeletingAndRenamingFailWithTheSystemText) {
  testing::TempFolder folder;
  std::filesystem::create_directory("d");
  Win32FileSystem files;
  const struct {
    std::function<void()> operation;
    std::string expected;
    DWORD error;
  } cases[] = {
      {[&] { files.OpenForReading("missing"); }, Expected("open", "missing", ERROR_FILE_NOT_FOUND),
       ERROR_FILE_NOT_FOUND},
      {[&] { files.OpenForReading("d"); }, Expected("open", "d", ERROR_ACCESS_DENIED),
       ERROR_ACCESS_DENIED},
      {[&] { files.RemoveFile("missing"); }, Expected("delete", "missing", ERROR_FILE_NOT_FOUND),
       ERROR_FILE_NOT_FOUND},
      {[&] { files.RenameFile("missing", "other"); },
       Expected("rename", "missing", ERROR_FILE_NOT_FOUND), ERROR_FILE_NOT_FOUND},
      // Make refuses such script names before it writes; the layer says why too.
      {[&] { files.OpenForWriting("a<b-1.rul"); },
       Expected("create", "a<b-1.rul", ERROR_INVALID_NAME), ERROR_INVALID_NAME},
  };
  for (const auto& c : cases) {
    const Failure failure = FailureOf(c.operation);
    EXPECT_EQ(failure.message, c.expected);
    EXPECT_EQ(failure.error, static_cast<int>(c.error));
  }
}

// A rename over a file that another process holds open, as Windows holds a
// running program's executable, fails as in use, so that the hand-over tries
// again later; one the system refuses for good does not.
TEST(Win32FileSystem, ARenameOverAFileInUseSaysSo) {
  const struct {
    const char* description;
    std::function<HANDLE()> prepare;  // returns a handle to close afterwards, or null
    DWORD error;
    bool in_use;
  } cases[] = {
      {"held without delete sharing",
       [] {
         return ::CreateFileW(L"to", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
       },
       ERROR_ACCESS_DENIED, true},
      {"a folder in its place",
       [] {
         std::filesystem::remove("to");
         std::filesystem::create_directory("to");
         WriteBytes("to/inside", "x");
         return HANDLE{};
       },
       ERROR_ACCESS_DENIED, false},
      {"no file to rename",
       [] {
         std::filesystem::remove("from");
         return HANDLE{};
       },
       ERROR_FILE_NOT_FOUND, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    testing::TempFolder folder;
    WriteBytes("from", "new");
    WriteBytes("to", "old");
    const HANDLE held = c.prepare();
    Win32FileSystem files;
    bool in_use = false;
    const Failure failure = FailureOf([&] {
      try {
        files.RenameFile("from", "to");
      } catch (const FileError& error) {
        in_use = error.InUse();
        throw;
      }
    });
    if (held != nullptr && held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
    EXPECT_EQ(failure.error, static_cast<int>(c.error)) << failure.message;
    EXPECT_EQ(in_use, c.in_use);
    if (std::filesystem::is_regular_file("to")) {
      EXPECT_EQ(ReadBytes("to"), "old");
      SetReadOnly("to", false);
    }
  }
}

// Defender opens a file just written without letting it be renamed: the
// replace of autoexec.rul meets the system's own refusal, and succeeds once
// the scanner lets go, or tells that refusal when it holds on.
TEST(Win32FileSystem, AReplaceWaitsForAScannerThatHoldsItsFile) {
  for (const bool lets_go : {true, false}) {
    SCOPED_TRACE(lets_go ? "lets go" : "holds on");
    testing::TempFolder folder;
    WriteBytes("autoexec.rul", "old\r\n");
    HANDLE scanner = INVALID_HANDLE_VALUE;
    int renames = 0;
    FileLayer files(testing::Around(
        Win32FilePrimitives(), [&](std::string_view step, const std::function<Status()>& call) {
          if (step != "rename") return call();
          if (++renames == 1) {
            const std::string listing = ListFolder(".");
            const std::size_t start = listing.find(".autoexec.rul.tmp-");
            const std::string temporary = listing.substr(start, listing.find(' ', start) - start);
            scanner = ::CreateFileW(Widen(temporary).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
          } else if (renames == 2 && lets_go) {
            ::CloseHandle(std::exchange(scanner, INVALID_HANDLE_VALUE));
          }
          return call();
        }));
    const Failure failure = FailureOf([&] { generator::MergeStartupScript(files, 2, U"s"); });
    if (scanner != INVALID_HANDLE_VALUE) ::CloseHandle(scanner);
    EXPECT_EQ(failure.error, lets_go ? 0 : ERROR_SHARING_VIOLATION) << failure.message;
    EXPECT_EQ(renames, lets_go ? 2 : kBriefHoldTries);
    EXPECT_EQ(ReadBytes("autoexec.rul").starts_with("old"), !lets_go);
  }
}

// The name on disk is the UTF-16 that the game gets from the script name's
// Windows-1252 bytes, and the bind lines hold those bytes.
TEST(Win32FileSystem, ScriptNamesAreTheNamesTheGameOpens) {
  testing::TempFolder folder;
  Win32FileSystem files;
  FakeForm form("ab", "1", "\u00E9\u20AC\u0152", "2");  // é € Œ
  generator::GenerateScrollScript(form, files);

  const std::string bytes = "\xE9\x80\x8C";  // the name in Windows-1252
  for (const char* suffix : {"-1.rul", "-2.rul"}) {
    const std::string name_bytes = bytes + suffix;
    std::wstring game_name(name_bytes.size(), L'\0');
    ASSERT_EQ(::MultiByteToWideChar(1252, 0, name_bytes.data(), static_cast<int>(name_bytes.size()),
                                    game_name.data(), static_cast<int>(game_name.size())),
              static_cast<int>(game_name.size()));
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(game_name.c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << suffix;
    ::FindClose(search);
    EXPECT_EQ(std::wstring(found.cFileName), game_name);
  }
  EXPECT_EQ(files.OpenForReading("\u00E9\u20AC\u0152-1.rul")->ReadAll(),
            "Bind F2 \"execrul " + bytes + "-2.rul\"\r\nSay a\r\n");
  EXPECT_EQ(ReadBytes("autoexec.rul"),
            kAdvert + "\r\n\r\nBind F2 \"execrul " + bytes + "-1.rul\"\r\n");
}

// autoexec.rul that may not be written is refused before anything is
// written: the old file stays byte for byte, and no temporary file is left.
TEST(Win32FileSystem, AnAutoexecThatMayNotBeWrittenIsRefusedAndKept) {
  const std::string old_contents = std::string(500, 'x') + "\r\n";
  const struct Case {
    const char* description;
    std::function<void()> prepare;
    DWORD error;
    std::string also = {};  // after the system's text
  } cases[] = {
      {"read-only", [] { SetReadOnly("autoexec.rul", true); }, ERROR_ACCESS_DENIED, kReadOnly},
      {"a folder",
       [] {
         std::filesystem::remove("autoexec.rul");
         std::filesystem::create_directory("autoexec.rul");
       },
       ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    testing::TempFolder folder;
    WriteBytes("autoexec.rul", old_contents);
    c.prepare();
    Win32FileSystem files;
    const Failure failure = FailureOf([&] { generator::MergeStartupScript(files, 3, U"demo"); });
    EXPECT_EQ(failure.message, Expected("replace", "autoexec.rul", c.error) + c.also);
    EXPECT_EQ(failure.error, static_cast<int>(c.error));
    EXPECT_EQ(ListFolder("."), "autoexec.rul");
    if (std::filesystem::is_regular_file("autoexec.rul")) {
      EXPECT_EQ(ReadBytes("autoexec.rul"), old_contents);
      SetReadOnly("autoexec.rul", false);
    }
  }
}

// A program that holds autoexec.rul open and lets others read it stops the
// rewrite before anything is written; one that lets others write it too, but
// not rename it, stops it at the move: either way the old file stays whole
// and the temporary file is gone.
TEST(Win32FileSystem, AnAutoexecAnotherProgramHoldsIsRefusedAndKept) {
  const struct {
    DWORD sharing;
    DWORD error;
  } cases[] = {
      {FILE_SHARE_READ, ERROR_SHARING_VIOLATION},
      {FILE_SHARE_READ | FILE_SHARE_WRITE, ERROR_ACCESS_DENIED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sharing);
    testing::TempFolder folder;
    WriteBytes("autoexec.rul", "old\r\n");
    const HANDLE held = ::CreateFileW(L"autoexec.rul", GENERIC_READ, c.sharing, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Win32FileSystem files;
    const Failure failure = FailureOf([&] { generator::MergeStartupScript(files, 3, U"demo"); });
    ::CloseHandle(held);
    EXPECT_EQ(failure.message, Expected("replace", "autoexec.rul", c.error));
    EXPECT_EQ(ReadBytes("autoexec.rul"), "old\r\n");
    EXPECT_EQ(ListFolder("."), "autoexec.rul");
  }
}

TEST(Win32FileSystem, TheRewriteKeepsTheFilesAttributes) {
  testing::TempFolder folder;
  WriteBytes("autoexec.rul", "old\r\n");
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_NE(::SetFileAttributesW(L"autoexec.rul", kept), 0);
  Win32FileSystem files;
  generator::MergeStartupScript(files, 3, U"demo");
  EXPECT_EQ(::GetFileAttributesW(L"autoexec.rul") & kept, kept);
  EXPECT_EQ(ReadBytes("autoexec.rul"),
            kAdvert + "\r\n\r\nold\r\n\r\nBind F3 \"execrul demo-1.rul\"\r\n");
  EXPECT_EQ(ListFolder("."), "autoexec.rul");
}

TEST(Win32FileSystem, AReplacementInAMissingFolderNamesItsTemporaryFile) {
  testing::TempFolder folder;
  Win32FileSystem files;
  const Failure failure = FailureOf([&] { files.OpenForReplacing("missing/autoexec.rul"); });
  EXPECT_EQ(failure.error, ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(failure.message.rfind("Cannot create a temporary file \"missing/.autoexec.rul.tmp-", 0),
            0u)
      << failure.message;
}

// Temporary files of replacements whose process was killed are removed by
// the next replacement; those of running processes stay.
TEST(Win32FileSystem, TheNextRewriteRemovesTemporariesOfEndedProcesses) {
  testing::TempFolder folder;
  const std::string own = ".autoexec.rul.tmp-" + std::to_string(::GetCurrentProcessId()) + "-999";
  // Process identifiers are multiples of 4: no process has this one.
  WriteBytes(".autoexec.rul.tmp-4294967293-0", "half");
  WriteBytes(own, "in progress");
  WriteBytes(".autoexec.rul.tmp-other", "not ours");
  Win32FileSystem files;
  generator::MergeStartupScript(files, 3, U"demo");
  EXPECT_EQ(ListFolder("."), own + " .autoexec.rul.tmp-other autoexec.rul");
}

// The helper program beside this test (StartedProgram.cpp).
std::wstring HelperPath() {
  wchar_t own[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, own, MAX_PATH * 4);
  return std::filesystem::path(std::wstring(own, length)).parent_path().wstring() +
         L"\\win32_started_program.exe";
}

// Starts the helper program with the arguments in the working folder; the
// caller waits for the process and closes the handle.
HANDLE StartHelper(const std::wstring& arguments, const std::wstring& working_folder) {
  std::wstring command = L"\"" + HelperPath() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       working_folder.c_str(), &startup, &started) == 0) {
    throw std::runtime_error("cannot start the helper program");
  }
  ::CloseHandle(started.hThread);
  return started.hProcess;
}

// Runs the helper program to its end and returns its exit code.
DWORD RunHelper(const std::wstring& arguments) {
  const HANDLE process = StartHelper(arguments, std::filesystem::current_path().wstring());
  ::WaitForSingleObject(process, INFINITE);
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process, &exit_code);
  ::CloseHandle(process);
  return exit_code;
}

// The folder reached another way: under Wine through drive Z:, which holds
// the whole Unix file system (as a second drive letter or a link would on
// Windows); elsewhere by its short name.
std::wstring AnotherWayTo(const std::wstring& folder) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unix_name != nullptr) {
    char* name = unix_name(folder.c_str());
    std::wstring through_z = L"Z:" + Widen(name);
    ::HeapFree(::GetProcessHeap(), 0, name);
    std::replace(through_z.begin(), through_z.end(), L'/', L'\\');
    return through_z;
  }
  std::wstring short_name(MAX_PATH * 4, L'\0');
  short_name.resize(::GetShortPathNameW(folder.c_str(), short_name.data(),
                                        static_cast<DWORD>(short_name.size())));
  return short_name;
}

// Two instances pressing Make again and again at the same time, one of them
// reaching the folder another way: the named mutex holds each off while the
// other merges, so every run's line survives.
TEST(Win32FileSystem, TwoProcessesMergingAtOnceLoseNoLine) {
  testing::TempFolder folder;
  const std::wstring here = std::filesystem::current_path().wstring();
  const std::wstring there = AnotherWayTo(here);
  ASSERT_NE(there, here);
  ASSERT_TRUE(std::filesystem::is_directory(there));
  constexpr int kRuns = 100;
  const HANDLE both[] = {StartHelper(L"generate a 2 100", here),
                         StartHelper(L"generate b 3 100", there)};
  ASSERT_EQ(::WaitForMultipleObjects(2, both, TRUE, 300000), WAIT_OBJECT_0);
  for (const HANDLE process : both) {
    DWORD exit_code = 1;
    ::GetExitCodeProcess(process, &exit_code);
    EXPECT_EQ(exit_code, 0u);
    ::CloseHandle(process);
  }
  const std::string merged = ReadBytes("autoexec.rul");
  EXPECT_EQ(CountOf(merged, "Bind F2 \"execrul a-1.rul\"\r\n"), std::size_t{kRuns});
  EXPECT_EQ(CountOf(merged, "Bind F3 \"execrul b-1.rul\"\r\n"), std::size_t{kRuns});
  EXPECT_EQ(CountOf(merged, kAdvert), 1u);
  EXPECT_EQ(ListFolder("."), "a-1.rul a-2.rul autoexec.rul b-1.rul b-2.rul");
}

// A generation ended (TerminateProcess) just before each of its file steps in
// turn: killed up to the rename, autoexec.rul is the old file byte for byte,
// after it the new one; the next generation removes what the killed one left.
TEST(Win32CrashConsistency, AKillAtEveryStepLeavesTheOldOrTheNewFile) {
  testing::TempFolder folder;
  const std::wstring steps_file =
      std::filesystem::path(folder.Path()).parent_path().wstring() + L"\\" +
      std::filesystem::path(folder.Path()).filename().wstring() + L".steps";
  std::string old_contents = kAdvert + "\r\n\r\n";
  for (int line = 0; line < 100; ++line) old_contents += "Bind F7 \"execrul other-1.rul\"\r\n";
  const std::string new_contents = old_contents + "\r\nBind F2 \"execrul s-1.rul\"\r\n";

  // The steps of one whole run.
  WriteBytes("autoexec.rul", old_contents);
  ASSERT_EQ(RunHelper(L"stop-at -1 \"" + steps_file + L"\""), 0u);
  ASSERT_EQ(ReadBytes("autoexec.rul"), new_contents);
  std::vector<std::string> steps;
  std::istringstream lines(ReadBytes(Narrow(steps_file)));
  for (std::string step; std::getline(lines, step);) steps.push_back(step);
  std::filesystem::remove(steps_file);
  // Between the temporary file's creation and its rename, it gets its bytes,
  // is flushed to disk and closed, and (Wine marks every file for archiving)
  // gets the old file's attributes.
  const FilePrimitives& os = Win32FilePrimitives();
  const auto created = std::find(steps.begin(), steps.end(), os.create_new.name);
  const auto renamed = std::find(created, steps.end(), os.rename.name);
  ASSERT_NE(renamed, steps.end());
  for (const std::string_view step :
       {os.write.name, os.flush.name, os.close.name, os.set_attributes.name}) {
    EXPECT_NE(std::find(created, renamed, step), renamed) << step;
  }
  EXPECT_EQ(std::count(steps.begin(), steps.end(), os.rename.name), 1);
  const auto replace = renamed - steps.begin();

  for (std::size_t kill_at = 0; kill_at < steps.size(); ++kill_at) {
    SCOPED_TRACE(::testing::Message()
                 << "killed before step " << kill_at + 1 << ", " << steps[kill_at]);
    WriteBytes("autoexec.rul", old_contents);
    EXPECT_EQ(RunHelper(L"stop-at " + std::to_wstring(kill_at) + L" \"" + steps_file + L"\""), 9u);
    std::filesystem::remove(steps_file);
    const bool renamed = static_cast<std::ptrdiff_t>(kill_at) > replace;
    EXPECT_EQ(ReadBytes("autoexec.rul"), renamed ? new_contents : old_contents);

    // The next run clears what the killed one left behind.
    WriteBytes("autoexec.rul", old_contents);
    ASSERT_EQ(RunHelper(L"stop-at -1 \"" + steps_file + L"\""), 0u);
    std::filesystem::remove(steps_file);
    EXPECT_EQ(ReadBytes("autoexec.rul"), new_contents);
    EXPECT_EQ(ListFolder("."), "autoexec.rul s-1.rul");
  }
}

}  // namespace
}  // namespace tickerloom::platform::win32
