#include "platform/win32/Win32Files.h"

#include <windows.h>

#include <cstdint>

#include "platform/win32/Win32Text.h"

namespace tickerloom::platform::win32 {
namespace {

// The attributes a replacement keeps; others (read-only, compressed, ...)
// belong to the old file's storage or are refused before.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The attributes an update takes from the program it replaces.
constexpr DWORD kTakenAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Status Failed(DWORD error = ::GetLastError()) {
  return {.error = static_cast<int>(error)};
}

HANDLE Handle(NativeFile file) {
  return reinterpret_cast<HANDLE>(file);
}

// An open handle, closed when it goes out of scope.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() {
    if (Valid()) ::CloseHandle(handle_);
  }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Where the file name of a path begins (after its last '\' or '/').
std::size_t FileNameStart(std::string_view path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string_view::npos ? 0 : separator + 1;
}

// Windows refuses to write a read-only file, but Wine run by root does not:
// this refusal, with the system's text for it, holds everywhere.
// What a read-only file's refusal says after the system's text.
constexpr Status kReadOnlyFile{
    .error = ERROR_ACCESS_DENIED,
    .reason = "The file is read-only: clear Read-only in its Properties, then try again."};

bool ReadOnly(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

Status OpenWith(const std::wstring& path, DWORD access, DWORD sharing, DWORD disposition,
                DWORD flags, NativeFile& file) {
  const HANDLE handle =
      ::CreateFileW(path.c_str(), access, sharing, nullptr, disposition, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Failed();
  file = reinterpret_cast<NativeFile>(handle);
  return {};
}

// One holder at a time for one file, across processes; the system releases
// it when its holder ends, killed or not.
class MutexLock final : public FileLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;
  ~MutexLock() override {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
};

// The path the file system gives an open folder, or false when it gives none.
bool FinalPath(HANDLE folder, std::wstring& path) {
  path.assign(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(
        folder, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
    if (length == 0) return false;
    if (length < path.size()) {
      path.resize(length);
      return true;
    }
    path.resize(length + 1);
  }
}

// The folder's path as the file system knows it, whatever way leads there
// (a relative path, a link or junction, a drive letter of subst, a short
// name), followed by the file's name in lower case, as the file system folds
// case.
Status CanonicalPath(const std::string& path, std::wstring& canonical) {
  const std::size_t name_start = FileNameStart(path);
  const std::string folder = path.substr(0, name_start) + ".";
  const ScopedHandle handle(::CreateFileW(Widen(folder).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
  if (!handle.Valid()) return Failed();
  if (!FinalPath(handle.Get(), canonical)) {
    // RAM disks and user-mode file systems (ImDisk, WinFsp) may not tell the
    // final path: the full path name then stands for the folder, so that the
    // folder is locked all the same, if not through every way that leads there.
    const std::wstring wide = Widen(folder);
    canonical.assign(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(canonical.size()),
                                              canonical.data(), nullptr);
      if (length == 0) return Failed();
      if (length < canonical.size()) {
        canonical.resize(length);
        break;
      }
      canonical.resize(length + 1);
    }
    while (!canonical.empty() && (canonical.back() == L'\\' || canonical.back() == L'.')) {
      canonical.pop_back();
    }
  }
  canonical += L'\\';
  canonical += Widen(std::string_view(path).substr(name_start));
  ::CharLowerBuffW(canonical.data(), static_cast<DWORD>(canonical.size()));
  return {};
}

// "Local\\Tickerloom-<hash>" for the file's canonical path.
std::wstring LockName(const std::wstring& canonical) {
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const wchar_t c : canonical) {
    hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ULL;
  }
  std::wstring name = L"Local\\Tickerloom-";
  for (int shift = 60; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(hash >> shift) & 15];
  return name;
}

// What FilePrimitives asks and the steps, for FilePrimitives::Of.
struct Win32Calls {
  static std::string ErrorText(int error) { return SystemErrorText(static_cast<DWORD>(error)); }
  static bool NameTaken(int error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
  }
  static std::uint32_t ProcessId() { return static_cast<std::uint32_t>(::GetCurrentProcessId()); }
  static std::size_t NameStart(std::string_view path) { return FileNameStart(path); }

  static std::string Beside(const std::string& path, std::string_view name) {
    return path.substr(0, FileNameStart(path)).append(name);
  }

  static bool IsFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  // A file in the target's place that another process holds open: on Windows
  // the executable of a program that still runs. A read-only file or a folder
  // there is refused for good.
  static bool HeldElsewhere(int error, const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
            error == ERROR_LOCK_VIOLATION) &&
           attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
  }

  // Program Files and the like refuse a user without elevation; a
  // write-protected volume refuses everyone.
  static bool Denied(int error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT;
  }

  // A scanner, the indexer or a sync client that opens a file just written
  // keeps it from being renamed until it lets go.
  static bool BrieflyHeld(int error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
  }

  static Status Call(step::LookUp, const std::string& path, FoundFile& found) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = ::GetLastError();
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Status{}
                                                                            : Failed(error);
    }
    found.exists = true;
    found.attributes = attributes;
    found.kept_attributes = attributes & kKeptAttributes;
    return {};
  }

  static Status Call(step::MayReplace, const std::string& path, const FoundFile& found) {
    if (ReadOnly(found.attributes)) return kReadOnlyFile;
    // Asks the system whether the file may be written (a folder, held open by
    // another program) before anything is touched.
    const ScopedHandle probe(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe.Valid()) return Failed();
    return {};
  }

  static Status Call(step::Create, const std::string& path, NativeFile& file) {
    const std::wstring wide = Widen(path);
    if (ReadOnly(::GetFileAttributesW(wide.c_str()))) return kReadOnlyFile;
    return OpenWith(wide, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                    file);
  }

  static Status Call(step::CreateNew, const std::string& path, unsigned /*mode*/,
                     NativeFile& file) {
    return OpenWith(Widen(path), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, file);
  }

  // What is read once (a downloaded program while its signature is checked)
  // may not be written by others meanwhile.
  static Status Call(step::Open, const std::string& path, Reading reading, NativeFile& file) {
    if (reading == Reading::kOnce) {
      return OpenWith(Widen(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING,
                      FILE_FLAG_SEQUENTIAL_SCAN, file);
    }
    return OpenWith(Widen(path), GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                    file);
  }

  static Status Call(step::Size, NativeFile file, std::uint64_t& size) {
    LARGE_INTEGER bytes{};
    if (::GetFileSizeEx(Handle(file), &bytes) == 0) return Failed();
    size = bytes.QuadPart > 0 ? static_cast<std::uint64_t>(bytes.QuadPart) : 0;
    return {};
  }

  static Status Call(step::Read, NativeFile file, std::span<char> buffer, std::size_t& got) {
    DWORD count = 0;
    if (::ReadFile(Handle(file), buffer.data(), static_cast<DWORD>(buffer.size()), &count,
                   nullptr) == 0) {
      return Failed();
    }
    got = count;
    return {};
  }

  // The whole buffer in one WriteFile.
  static Status Call(step::Write, NativeFile file, std::string_view bytes) {
    DWORD written = 0;
    if (::WriteFile(Handle(file), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                    nullptr) == 0) {
      return Failed();
    }
    if (written != bytes.size()) return Failed(ERROR_WRITE_FAULT);
    return {};
  }

  static Status Call(step::Flush, NativeFile file) {
    if (::FlushFileBuffers(Handle(file)) == 0) return Failed();
    return {};
  }

  static Status Call(step::Close, NativeFile file) {
    if (::CloseHandle(Handle(file)) == 0) return Failed();
    return {};
  }

  static Status Call(step::SetAttributes, const std::string& path, const FoundFile& old) {
    if (::SetFileAttributesW(Widen(path).c_str(), old.kept_attributes) == 0) return Failed();
    return {};
  }

  static Status Call(step::Rename, const std::string& from, const std::string& to, bool durable) {
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
    if (::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), flags) == 0) return Failed();
    return {};
  }

  static Status Call(step::Remove, const std::string& path) {
    if (::DeleteFileW(Widen(path).c_str()) == 0) return Failed();
    return {};
  }

  static Status Call(step::ListFolder, const std::string& path, std::vector<std::string>& names) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(Widen(Beside(path, ".*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return Failed();
    do {
      names.push_back(Narrow(found.cFileName));
    } while (::FindNextFileW(search, &found) != 0);
    ::FindClose(search);
    return {};
  }

  // Ended: no process has that id, or the one that has it has ended (and
  // lives on only as long as someone holds a handle to it). One that may not be
  // opened cannot be told.
  static Status Call(step::ProcessEnded, std::uint32_t process, bool& ended) {
    const HANDLE handle = ::OpenProcess(SYNCHRONIZE, FALSE, process);
    if (handle == nullptr) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_INVALID_PARAMETER) return Failed(error);
      ended = true;
      return {};
    }
    ended = ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    ::CloseHandle(handle);
    return {};
  }

  static Status Call(step::Lock, const std::string& path, std::unique_ptr<FileLock>& lock) {
    std::wstring canonical;
    if (const Status found = CanonicalPath(path, canonical); found.Failed()) return found;
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, LockName(canonical).c_str());
    if (mutex == nullptr) return {.error = static_cast<int>(::GetLastError()), .operation = "lock"};
    // An abandoned mutex is taken over: its holder ended before it let go.
    const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      const DWORD error = ::GetLastError();
      ::CloseHandle(mutex);
      return {.error = static_cast<int>(error), .operation = "lock"};
    }
    lock = std::make_unique<MutexLock>(mutex);
    return {};
  }

  // Windows has no permission bits: who may run a file is told by its access
  // list, which a new file inherits from its folder as the program's own file
  // did when it was put there, and read access lets a program be run. What is
  // taken over are the program's hidden, system and not-indexed attributes;
  // never read-only, so that the next update can replace it. Without the
  // program file, the file is left as it is.
  static Status Call(step::TakeProgramPermissions, const std::string& program,
                     const std::string& path) {
    const std::wstring file = Widen(path);
    constexpr std::string_view kOperation = "set the attributes of";
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
      return {.error = static_cast<int>(::GetLastError()), .operation = kOperation};
    }
    const DWORD attributes = ::GetFileAttributesW(Widen(program).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    const DWORD taken = attributes & kTakenAttributes;
    if (::SetFileAttributesW(file.c_str(), taken != 0 ? taken : FILE_ATTRIBUTE_NORMAL) == 0) {
      return {.error = static_cast<int>(::GetLastError()), .operation = kOperation};
    }
    return {};
  }
};

}  // namespace

const FilePrimitives& Win32FilePrimitives() {
  static const FilePrimitives table = FilePrimitives::Of<Win32Calls>();
  return table;
}

}  // namespace tickerloom::platform::win32
