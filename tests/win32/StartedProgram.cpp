// A helper program for the Windows tests, by its arguments:
//   (none)  writes the command line it got into started.txt in its working
//           folder, as UTF-8 (for the process tests);
//   hold <file> <marker>
//           holds <file> open without letting others delete or rename over
//           it, as Windows does with a running program's executable; creates
//           <marker> once it holds the file and lets go once <marker> is gone;
//   generate <script name> <key> <runs>
//           makes a two-letter scroll script `runs` times in its working
//           folder through the Windows file layer (autoexec.rul included);
//   stop-at <n> <steps file>
//           makes a one-letter scroll script "s" for F2 in its working folder,
//           noting each step of the file primitives in <steps file>, and
//           ends itself at once (TerminateProcess, exit code 9) just before
//           step n (counted from 0; -1: never).
// Exit code 0, or 1 when something failed.
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "generator/ScriptGenerator.h"
#include "platform/win32/Win32FileSystem.h"
#include "tests/support/FakeForm.h"
#include "tests/support/FileFaults.h"

namespace {

int WriteCommandLine() {
  const wchar_t* command_line = ::GetCommandLineW();
  const int length = static_cast<int>(std::wstring(command_line).size());
  std::string utf8(static_cast<std::size_t>(length) * 4, '\0');
  utf8.resize(static_cast<std::size_t>(
      ::WideCharToMultiByte(CP_UTF8, 0, command_line, length, utf8.data(),
                            static_cast<int>(utf8.size()), nullptr, nullptr)));
  // Written under another name and renamed, so the test never reads half of it.
  const HANDLE file = ::CreateFileW(L"started.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  ::WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  ::CloseHandle(file);
  return ::MoveFileW(L"started.tmp", L"started.txt") != 0 ? 0 : 1;
}

int Hold(const wchar_t* path, const wchar_t* marker) {
  const HANDLE held = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 1;
  const HANDLE created =
      ::CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return 1;
  ::CloseHandle(created);
  // Ten minutes at most, should the test never let go.
  for (int wait = 0; wait < 12000 && ::GetFileAttributesW(marker) != INVALID_FILE_ATTRIBUTES;
       ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::CloseHandle(held);
  return 0;
}

int Generate(const std::string& name, const std::string& key, int runs) {
  tickerloom::platform::win32::Win32FileSystem files;
  for (int run = 0; run < runs; ++run) {
    tickerloom::testing::FakeForm form("ab", "1", name, key);
    try {
      tickerloom::generator::GenerateScrollScript(form, files);
    } catch (...) {
      return 1;
    }
  }
  return 0;
}

int StopAt(int stop_at, const wchar_t* steps_file) {
  using tickerloom::platform::Status;
  int step = 0;
  tickerloom::platform::FileLayer files(tickerloom::testing::Around(
      tickerloom::platform::win32::Win32FilePrimitives(),
      [&](std::string_view name, const std::function<Status()>& call) {
        const HANDLE steps = ::CreateFileW(steps_file, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        const std::string line = std::string(name) + "\n";
        DWORD written = 0;
        ::WriteFile(steps, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        ::CloseHandle(steps);
        if (step++ == stop_at) ::TerminateProcess(::GetCurrentProcess(), 9);
        return call();
      }));
  tickerloom::testing::FakeForm form("a", "1", "s", "2");
  try {
    tickerloom::generator::GenerateScrollScript(form, files);
  } catch (...) {
    return 1;
  }
  return 0;
}

std::string Narrow(const wchar_t* text) {
  std::string narrow;
  for (; *text != L'\0'; ++text) narrow += static_cast<char>(*text);
  return narrow;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"hold" && argc == 4) return Hold(argv[2], argv[3]);
  if (mode == L"generate" && argc == 5) {
    return Generate(Narrow(argv[2]), Narrow(argv[3]), std::stoi(argv[4]));
  }
  if (mode == L"stop-at" && argc == 4) return StopAt(std::stoi(argv[2]), argv[3]);
  return WriteCommandLine();
}
