#include "platform/win32/Win32TemporaryFiles.h"

#include <algorithm>
#include <atomic>

#include "platform/FileSystem.h"
#include "platform/TemporaryName.h"
#include "platform/win32/Win32Text.h"

namespace tickerloom::platform::win32 {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (Valid()) ::CloseHandle(handle_);
    handle_ = other.handle_;
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  return *this;
}

FileHandle::~FileHandle() {
  if (Valid()) ::CloseHandle(handle_);
}

bool FileHandle::Close() {
  const HANDLE handle = handle_;
  handle_ = INVALID_HANDLE_VALUE;
  return ::CloseHandle(handle) != 0;
}

std::size_t FolderEnd(std::string_view path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string_view::npos ? 0 : separator + 1;
}

TemporaryFile CreateTemporaryBeside(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  const std::size_t name_start = FolderEnd(target);
  const std::string prefix =
      target.substr(0, name_start) +
      TemporaryNamePrefix(StandsFor(std::string_view(target).substr(name_start)),
                          ::GetCurrentProcessId());
  for (int attempt = 0;; ++attempt) {
    std::string path = prefix + std::to_string(counter++);
    const HANDLE file = ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return TemporaryFile{std::move(path), FileHandle(file)};
    // A name left by an earlier process that had the same id is skipped.
    const DWORD error = ::GetLastError();
    if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt > 100) {
      throw FileError("create a temporary file", path, static_cast<int>(error),
                      SystemErrorText(error));
    }
  }
}

void RemoveOrphanedTemporaries(const std::vector<std::string>& targets) {
  if (targets.empty()) return;
  const std::string folder = targets.front().substr(0, FolderEnd(targets.front()));
  std::vector<std::string_view> file_names;
  file_names.reserve(targets.size());
  for (const std::string& target : targets) {
    file_names.push_back(StandsFor(std::string_view(target).substr(FolderEnd(target))));
  }
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(Widen(folder + ".*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = Narrow(found.cFileName);
    const auto temporary = ParseTemporaryName(name);
    if (!temporary || temporary->owner == ::GetCurrentProcessId() ||
        std::find(file_names.begin(), file_names.end(), temporary->stands_for) ==
            file_names.end()) {
      continue;
    }
    // Gone: no process has that id, or the one that has it has ended (and
    // lives on only as long as someone holds a handle to it). One that runs,
    // or that may not be opened, is left alone.
    bool gone = false;
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, temporary->owner);
    if (process != nullptr) {
      gone = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
      ::CloseHandle(process);
    } else {
      gone = ::GetLastError() == ERROR_INVALID_PARAMETER;
    }
    if (gone) ::DeleteFileW((Widen(folder) + found.cFileName).c_str());
  } while (::FindNextFileW(search, &found) != 0);
  ::FindClose(search);
}

}  // namespace tickerloom::platform::win32
