#include "platform/win32/Win32Process.h"

#include <windows.h>

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

Win32Process::Win32Process() : Win32Process(ProgramPath()) {}

Win32Process::Win32Process(const std::filesystem::path& program)
    : StartedProcess(program.parent_path(), program) {}

void Win32Process::StartProgram(const std::string& path) {
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
  ::CloseHandle(started.hProcess);
}

void Win32Process::ExitNow() {
  ::ExitProcess(0);
}

}  // namespace tickerloom::platform::win32
