#include "platform/win32/Win32UpdateFiles.h"

#include <windows.h>

#include <vector>

#include "platform/FileSystem.h"
#include "platform/win32/Win32TemporaryFiles.h"
#include "platform/win32/Win32Text.h"

namespace tickerloom::platform::win32 {
namespace {

constexpr DWORD kChunkBytes = 64 * 1024;

// The attributes an update takes from the program it replaces.
constexpr DWORD kTakenAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

[[noreturn]] void Fail(std::string_view operation, std::string_view path) {
  const DWORD error = ::GetLastError();
  throw FileError(operation, path, static_cast<int>(error), SystemErrorText(error));
}

}  // namespace

Win32UpdateFiles::Win32UpdateFiles(std::string program) : program_(std::move(program)) {}

std::string Win32UpdateFiles::CreateTemporaryFile(const std::string& target) {
  TemporaryFile temporary = CreateTemporaryBeside(target);
  if (!temporary.file.Close()) Fail("create a temporary file", temporary.path);
  return temporary.path;
}

void Win32UpdateFiles::RemoveOrphanedTemporaries(const std::vector<std::string>& targets) {
  win32::RemoveOrphanedTemporaries(targets);
}

void Win32UpdateFiles::TakeProgramPermissions(const std::string& path) {
  const std::wstring file = Widen(path);
  const DWORD attributes = ::GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) Fail("set the attributes of", path);
  const DWORD program = ::GetFileAttributesW(Widen(program_).c_str());
  if (program == INVALID_FILE_ATTRIBUTES) return;
  const DWORD taken = program & kTakenAttributes;
  if (::SetFileAttributesW(file.c_str(), taken != 0 ? taken : FILE_ATTRIBUTE_NORMAL) == 0) {
    Fail("set the attributes of", path);
  }
}

void Win32UpdateFiles::ReadInChunks(const std::string& path,
                                    const std::function<void(std::span<const std::byte>)>& sink) {
  const FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) Fail("open", path);
  std::vector<std::byte> buffer(kChunkBytes);
  for (;;) {
    DWORD got = 0;
    if (::ReadFile(file.Get(), buffer.data(), kChunkBytes, &got, nullptr) == 0) Fail("read", path);
    if (got == 0) return;
    sink(std::span<const std::byte>(buffer.data(), got));
  }
}

}  // namespace tickerloom::platform::win32
