#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include <cstdint>

#include "platform/BufferedTextWriter.h"
#include "platform/BytesTextReader.h"
#include "platform/win32/Win32TemporaryFiles.h"
#include "platform/win32/Win32Text.h"

namespace tickerloom::platform::win32 {
namespace {

[[noreturn]] void Fail(std::string_view operation, std::string_view path,
                       DWORD error = ::GetLastError()) {
  throw FileError(operation, path, static_cast<int>(error), SystemErrorText(error));
}

using StepHook = Win32FileSystem::StepHook;

void Step(const StepHook& before_each_step, std::string_view step) {
  if (before_each_step) before_each_step(step);
}

// Windows refuses to write a read-only file, but Wine run by root does not:
// this refusal, with the system's text for it, holds everywhere.
void RefuseReadOnly(std::string_view operation, const std::string& path, DWORD attributes) {
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    Fail(operation, path, ERROR_ACCESS_DENIED);
  }
}

// The whole buffer in one WriteFile.
bool WriteAll(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  if (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) == 0) {
    return false;
  }
  if (written != bytes.size()) {
    ::SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return true;
}

// Collects the lines and stores them with one write at Close().
class Win32TextWriter final : public BufferedTextWriter {
 public:
  Win32TextWriter(std::string path, HANDLE file, StepHook before_each_step)
      : path_(std::move(path)), file_(file), before_each_step_(std::move(before_each_step)) {}

  void Close() override {
    Step(before_each_step_, "write");
    if (!WriteAll(file_.Get(), Lines())) Fail("write", path_);
    Step(before_each_step_, "close");
    if (!file_.Close()) Fail("close", path_);
  }

 private:
  std::string path_;
  FileHandle file_;
  StepHook before_each_step_;
};

// The attributes a replacement keeps; others (read-only, compressed, ...)
// belong to the old file's storage or are refused before.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Writes a whole new version of a file into a temporary file beside it, and
// moves it over the file once it is safely on disk.
class ReplacingWriter final : public BufferedTextWriter {
 public:
  ReplacingWriter(std::string path, StepHook before_each_step)
      : target_(std::move(path)), before_each_step_(std::move(before_each_step)) {
    const std::wstring target = Widen(target_);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      RefuseReadOnly("replace", target_, attributes);
      // Asks the system whether the file may be written (a folder, held open
      // by another program) before anything is touched.
      FileHandle probe(::CreateFileW(target.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!probe.Valid()) Fail("replace", target_);
      old_attributes_ = attributes & kKeptAttributes;
    } else if (const DWORD error = ::GetLastError();
               error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      Fail("look up", target_, error);
    }

    Step(before_each_step_, "create a temporary file");
    TemporaryFile temporary = CreateTemporaryBeside(target_);
    temporary_ = std::move(temporary.path);
    file_ = std::move(temporary.file);
  }

  ~ReplacingWriter() override {
    if (!committed_) {
      file_ = FileHandle();
      ::DeleteFileW(Widen(temporary_).c_str());
    }
  }

  void Close() override {
    Step(before_each_step_, "write");
    if (!WriteAll(file_.Get(), Lines())) Fail("write", temporary_);
    Step(before_each_step_, "flush to disk");
    if (::FlushFileBuffers(file_.Get()) == 0) Fail("flush to disk", temporary_);
    Step(before_each_step_, "close");
    if (!file_.Close()) Fail("close", temporary_);
    const std::wstring temporary = Widen(temporary_);
    if (old_attributes_ != 0) {
      Step(before_each_step_, "set the attributes of");
      if (::SetFileAttributesW(temporary.c_str(), old_attributes_) == 0) {
        Fail("set the attributes of", temporary_);
      }
    }
    Step(before_each_step_, "replace");
    if (::MoveFileExW(temporary.c_str(), Widen(target_).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
      Fail("replace", target_);
    }
    committed_ = true;
    Step(before_each_step_, "remove orphaned temporary files");
    RemoveOrphanedTemporaries({target_});
  }

 private:
  std::string target_;
  StepHook before_each_step_;
  std::string temporary_;
  DWORD old_attributes_ = 0;
  FileHandle file_;
  bool committed_ = false;
};

// One holder at a time for one file, across processes: a named mutex whose
// name comes from the file's canonical path, so the game's folder holds no
// lock file. The system releases it when its holder ends, killed or not.
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

// The folder's path as the file system knows it, whatever way leads there
// (a relative path, a link or junction, a drive letter of subst, a short
// name), followed by the file's name in lower case, as the file system folds
// case. Throws FileError when the folder cannot be opened.
std::wstring CanonicalPath(const std::string& path) {
  const std::size_t name_start = FolderEnd(path);
  const std::string folder = path.substr(0, name_start) + ".";
  const FileHandle handle(::CreateFileW(Widen(folder).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
  if (!handle.Valid()) Fail("lock the folder of", path);
  std::wstring canonical(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(
        handle.Get(), canonical.data(), static_cast<DWORD>(canonical.size()), FILE_NAME_NORMALIZED);
    if (length == 0) Fail("lock the folder of", path);
    if (length < canonical.size()) {
      canonical.resize(length);
      break;
    }
    canonical.resize(length + 1);
  }
  canonical += L'\\';
  canonical += Widen(std::string_view(path).substr(name_start));
  ::CharLowerBuffW(canonical.data(), static_cast<DWORD>(canonical.size()));
  return canonical;
}

// "Local\\Tickerloom-<hash>" for the file's canonical path.
std::wstring LockName(const std::string& path) {
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const wchar_t c : CanonicalPath(path)) {
    hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ULL;
  }
  std::wstring name = L"Local\\Tickerloom-";
  for (int shift = 60; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(hash >> shift) & 15];
  return name;
}

}  // namespace

std::unique_ptr<FileLock> Win32FileSystem::LockForUpdate(const std::string& path) {
  Step(before_each_step_, "lock");
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, LockName(path).c_str());
  if (mutex == nullptr) Fail("lock", path);
  // An abandoned mutex is taken over: its holder ended before it let go.
  const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    const DWORD error = ::GetLastError();
    ::CloseHandle(mutex);
    Fail("lock", path, error);
  }
  return std::make_unique<MutexLock>(mutex);
}

bool Win32FileSystem::FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::unique_ptr<TextReader> Win32FileSystem::OpenForReading(const std::string& path) {
  FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) Fail("open", path);
  std::string contents;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.Get(), &size) == 0) Fail("read", path);
  if (size.QuadPart > 0) contents.reserve(static_cast<std::size_t>(size.QuadPart));
  char chunk[65536];
  for (;;) {
    DWORD got = 0;
    if (::ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr) == 0) Fail("read", path);
    if (got == 0) break;
    contents.append(chunk, got);
  }
  if (!file.Close()) Fail("close", path);
  return std::make_unique<BytesTextReader>(path, std::move(contents));
}

std::unique_ptr<TextWriter> Win32FileSystem::OpenForWriting(const std::string& path) {
  const std::wstring wide_path = Widen(path);
  RefuseReadOnly("create", path, ::GetFileAttributesW(wide_path.c_str()));
  Step(before_each_step_, "create");
  const HANDLE file = ::CreateFileW(wide_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("create", path);
  return std::make_unique<Win32TextWriter>(path, file, before_each_step_);
}

std::unique_ptr<TextWriter> Win32FileSystem::OpenForReplacing(const std::string& path) {
  return std::make_unique<ReplacingWriter>(path, before_each_step_);
}

void Win32FileSystem::RemoveFile(const std::string& path) {
  if (::DeleteFileW(Widen(path).c_str()) == 0) Fail("delete", path);
}

void Win32FileSystem::RenameFile(const std::string& from, const std::string& to) {
  const std::wstring target = Widen(to);
  if (::MoveFileExW(Widen(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return;
  const DWORD error = ::GetLastError();
  // A file in the target's place that another process holds open: on Windows
  // the executable of a program that still runs. A read-only file or a folder
  // there is refused for good.
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  const bool held = (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                     error == ERROR_LOCK_VIOLATION) &&
                    attributes != INVALID_FILE_ATTRIBUTES &&
                    (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
  throw FileError("rename", from, static_cast<int>(error), SystemErrorText(error),
                  held ? FileError::Cause::kInUse : FileError::Cause::kOther);
}

}  // namespace tickerloom::platform::win32
