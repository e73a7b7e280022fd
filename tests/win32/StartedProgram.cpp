// A program for the process tests to start: writes the command line it got
// into started.txt in its working folder, as UTF-8.
#include <windows.h>

#include <string>

int main() {
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
