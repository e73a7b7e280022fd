#include "platform/win32/Win32Process.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "platform/win32/Win32Text.h"

namespace tickerloom::platform::win32 {

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      throw std::runtime_error("Cannot find the program's own file: " +
                               SystemErrorText(::GetLastError()));
    }
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

namespace {

// An exit status in words: a status the system set as the program failed
// (an NTSTATUS such as 0xC0000135, a DLL not found) with the system's text.
std::string StatusText(DWORD status) {
  if (status < 0xC0000000U) return std::to_string(status);
  char hex[16] = {};
  std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(status));
  using ToDosError = ULONG(WINAPI*)(LONG);
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const auto to_dos_error = reinterpret_cast<ToDosError>(
      reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")));
  if (to_dos_error == nullptr) return hex;
  const ULONG error = to_dos_error(static_cast<LONG>(status));
  if (error == ERROR_MR_MID_NOT_FOUND) return hex;
  return std::string(hex) + " (" + SystemErrorText(error) + ")";
}

class Win32StartedProgram final : public StartedProgram {
 public:
  explicit Win32StartedProgram(HANDLE process) : process_(process) {}
  ~Win32StartedProgram() override { ::CloseHandle(process_); }
  Win32StartedProgram(const Win32StartedProgram&) = delete;
  Win32StartedProgram& operator=(const Win32StartedProgram&) = delete;

  std::optional<std::string> EndedWithin(std::chrono::milliseconds limit) override {
    const auto milliseconds = static_cast<DWORD>(limit.count());
    // Ready once it first waits for input; a program the system cannot tell
    // so of (one without a message queue yet) is watched for the whole limit.
    const auto start = std::chrono::steady_clock::now();
    if (::WaitForInputIdle(process_, milliseconds) == WAIT_FAILED) {
      const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - start);
      ::WaitForSingleObject(process_,
                            spent < limit ? static_cast<DWORD>((limit - spent).count()) : 0);
    }
    if (::WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return std::nullopt;
    DWORD status = 0;
    if (::GetExitCodeProcess(process_, &status) == 0) {
      return "ended, its exit status unknown: " + SystemErrorText(::GetLastError());
    }
    return "ended with status " + StatusText(status);
  }

 private:
  HANDLE process_;
};

}  // namespace

Win32Process::Win32Process() : Win32Process(ProgramPath()) {}

Win32Process::Win32Process(const std::filesystem::path& program)
    : StartedProcess(program.parent_path(), program) {}

std::vector<std::string> Win32Process::FoldersMakeAvoids() {
  std::vector<std::string> folders;
  wchar_t path[MAX_PATH + 2] = {};
  if (const UINT length = ::GetWindowsDirectoryW(path, MAX_PATH + 1);
      length > 0 && length <= MAX_PATH) {
    folders.push_back(Narrow(std::wstring_view(path, length)));
  }
  if (const DWORD length = ::GetTempPathW(MAX_PATH + 1, path); length > 0 && length <= MAX_PATH) {
    folders.push_back(Narrow(std::wstring_view(path, length)));
  }
  return folders;
}

std::unique_ptr<StartedProgram> Win32Process::StartProgram(const std::string& path) {
  const std::wstring program = Widen(path);
  // The program's own path as its command line, quoted for blanks.
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  if (::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &started) == 0) {
    throw std::runtime_error("Cannot start " + path + ": " + SystemErrorText(::GetLastError()));
  }
  // It may bring its window to the front, over this one.
  ::AllowSetForegroundWindow(started.dwProcessId);
  ::CloseHandle(started.hThread);
  return std::make_unique<Win32StartedProgram>(started.hProcess);
}

void Win32Process::ExitNow() {
  ::ExitProcess(0);
}

}  // namespace tickerloom::platform::win32
