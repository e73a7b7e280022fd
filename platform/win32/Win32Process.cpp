#include "platform/win32/Win32Process.h"

#include <windows.h>

#include <shellapi.h>

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
    : StartedProcess(program.parent_path(), program) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr) return;
  HandedOver handed = ReadHandedOver(argc, argv);
  ::LocalFree(argv);
  // A folder that is gone leaves the program where it started: Make checks
  // the folder it works in as always.
  if (!handed.folder.empty()) (void)::SetCurrentDirectoryW(handed.folder.c_str());
  handed_ = std::move(handed.inputs);
}

namespace {

// One argument as CommandLineToArgvW reads it back: in quotes, with the
// backslashes before a quote (and before the closing one) doubled.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
  if (!line.empty()) line += L' ';
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

}  // namespace

std::wstring ElevatedArguments(const std::string& folder, const std::vector<std::string>& inputs) {
  std::wstring line;
  AppendQuoted(line, L"--folder");
  AppendQuoted(line, Widen(folder));
  if (inputs.empty()) return line;
  AppendQuoted(line, L"--inputs");
  for (const std::string& input : inputs) AppendQuoted(line, Widen(input));
  return line;
}

HandedOver ReadHandedOver(int argc, const wchar_t* const* argv) {
  HandedOver handed;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wstring_view(argv[i]) == L"--folder") {
      handed.folder = argv[++i];
    } else if (std::wstring_view(argv[i]) == L"--inputs") {
      while (++i < argc) handed.inputs.push_back(Narrow(argv[i]));
    }
  }
  return handed;
}

bool Win32Process::CanStartElevated() {
  HANDLE token = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == 0) return true;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevated =
      ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) != 0 &&
      elevation.TokenIsElevated != 0;
  ::CloseHandle(token);
  return !elevated;
}

bool Win32Process::StartElevated(const std::string& folder,
                                 const std::vector<std::string>& inputs) {
  const std::wstring program = ProgramPath();
  const std::wstring arguments = ElevatedArguments(folder, inputs);
  const std::wstring directory = Widen(folder);
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = L"runas";
  execute.lpFile = program.c_str();
  execute.lpParameters = arguments.c_str();
  execute.lpDirectory = directory.c_str();
  execute.nShow = SW_SHOWNORMAL;
  if (::ShellExecuteExW(&execute) != 0) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_CANCELLED) return false;
  throw std::runtime_error("Cannot start " + Narrow(program) +
                           " as administrator: " + SystemErrorText(error));
}

std::optional<std::string> Win32Process::VirtualStoreCopyOf(const std::string& path) {
  wchar_t full[MAX_PATH + 2] = {};
  const DWORD length = ::GetFullPathNameW(Widen(path).c_str(), MAX_PATH + 1, full, nullptr);
  if (length < 3 || length > MAX_PATH || full[1] != L':' || full[2] != L'\\') return std::nullopt;
  wchar_t local[MAX_PATH + 2] = {};
  const DWORD local_length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH + 1);
  if (local_length == 0 || local_length > MAX_PATH) return std::nullopt;
  const std::wstring copy =
      std::wstring(local, local_length) + L"\\VirtualStore" + std::wstring(full + 2, length - 2);
  const DWORD attributes = ::GetFileAttributesW(copy.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return Narrow(copy);
}

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
