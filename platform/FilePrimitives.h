// The primitives of a file backend: the few OS calls that platform/posix and
// platform/win32 supply, in one table of named steps, after the manner of
// SQLite's VFS. The file layer (FileLayer.h), the update's files
// (UpdateFileLayer.h) and a download's file (FileDownload.h) are written once
// over it, so that every platform creates, writes, flushes, renames and
// cleans up in the same order.
//
// A step returns how it ended instead of throwing, and its caller tells a
// failure with the operation and path of what it was doing. So a table whose
// steps are wrapped (tests/support/FileFaults.h) can make any step fail with
// an OS error, or end the process there, and the failure is told exactly as
// a real one.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"

namespace tickerloom::platform {

// An open file of a backend: a POSIX file descriptor or a Windows HANDLE.
using NativeFile = std::intptr_t;
inline constexpr NativeFile kNoFile = -1;

// How a step ended: success, or the OS's error number, or a refusal the OS
// has no number for (its reason); an error number with a reason is told as
// the OS's text followed by the reason. A failure is told with the caller's
// operation unless the step names another one.
struct Status {
  int error = 0;
  std::string_view reason = {};
  std::string_view operation = {};
  bool Failed() const { return error != 0 || !reason.empty(); }
};

// What a look-up tells of a path, without opening the file or following a
// link; the rest in the backend's own terms, for its steps that refuse a
// file or carry its owner, mode or attributes over to a replacement.
struct FoundFile {
  bool exists = false;
  bool link = false;
  std::uint32_t owner = 0;  // POSIX: the owner, the group and st_mode
  std::uint32_t group = 0;
  std::uint32_t mode = 0;
  std::uint32_t attributes = 0;       // Windows: the file's attributes,
  std::uint32_t kept_attributes = 0;  // and those a replacement keeps (0: none)
};

// How a file is opened for reading.
enum class Reading {
  kWhole,  // read at once, while others may go on using it
  kOnce,   // read once from start to end, written by nobody meanwhile
};

// The steps' tags: a backend supplies a step by a static function
// Call(step::<tag>, <the step's arguments>) of its class of calls
// (FilePrimitives::Of). Every backend has every step but those that only
// some systems have.
namespace step {
struct OnSomeSystems {};
struct LookUp {};
struct ReadLink : OnSomeSystems {};
struct MayReplace {};
struct Create {};
struct CreateNew {};
struct Open {};
struct Size {};
struct Read {};
struct Write {};
struct SetOwner : OnSomeSystems {};
struct SetMode : OnSomeSystems {};
struct Flush {};
struct Close {};
struct SetAttributes : OnSomeSystems {};
struct Rename {};
struct FlushFolder : OnSomeSystems {};
struct Remove {};
struct ListFolder {};
struct ProcessEnded {};
struct Lock {};
struct TakeProgramPermissions {};
}  // namespace step

template <class Tag, class Signature>
struct Step;

// One primitive: its name and the backend's call of the OS, empty where the
// backend has no such step (Windows follows no links).
template <class Tag, class... Args>
struct Step<Tag, Status(Args...)> {
  std::string_view name;
  std::function<Status(Args...)> call = {};

  explicit operator bool() const { return static_cast<bool>(call); }
  Status operator()(Args... args) const { return call(std::forward<Args>(args)...); }
};

struct FilePrimitives {
  // What the layer asks the backend and that never fails.
  std::string (*error_text)(int error) = nullptr;  // the OS's text for its error number
  bool (*name_taken)(int error) = nullptr;         // create_new's error when the name is taken
  std::uint32_t (*process_id)() = nullptr;         // this process's id
  // Where the file name in a path begins, and the path of another name in
  // the same folder.
  std::size_t (*name_start)(std::string_view path) = nullptr;
  std::string (*beside)(const std::string& path, std::string_view name) = nullptr;
  // Whether a regular file (or a link to one) is at the path.
  bool (*is_file)(const std::string& path) = nullptr;
  // Whether a rename to the path failed with this error because another
  // process holds the file there (a running program's executable); may be
  // empty when that cannot happen.
  bool (*held_elsewhere)(int error, const std::string& path) = nullptr;
  // Whether a rename of a file just written may have failed with this error
  // only because some program (a virus scanner, the search indexer, a sync
  // client) opened the file for a moment; empty where that cannot happen.
  bool (*briefly_held)(int error) = nullptr;
  // Whether the error is the system's refusal of a file or folder to this
  // user (FileError::Cause::kDenied).
  bool (*denied)(int error) = nullptr;

  // The steps. A missing file is no failure of look_up: it finds nothing.
  Step<step::LookUp, Status(const std::string& path, FoundFile& found)> look_up{"look up"};
  // The path a link leads to, resolved against the link's folder.
  Step<step::ReadLink, Status(const std::string& link, std::string& target)> read_link{"read link"};
  // Whether the existing file that look_up found may be replaced.
  Step<step::MayReplace, Status(const std::string& path, const FoundFile& found)> may_replace{
      "may replace"};
  // Creates the file, or empties an existing one.
  Step<step::Create, Status(const std::string& path, NativeFile& file)> create{"create"};
  // Creates a file that must be new, with POSIX permission bits (less the
  // umask) where the system has them.
  Step<step::CreateNew, Status(const std::string& path, unsigned mode, NativeFile& file)>
      create_new{"create new"};
  Step<step::Open, Status(const std::string& path, Reading reading, NativeFile& file)> open{"open"};
  Step<step::Size, Status(NativeFile file, std::uint64_t& size)> size{"size"};
  // got is 0 at the end of the file.
  Step<step::Read, Status(NativeFile file, std::span<char> buffer, std::size_t& got)> read{"read"};
  Step<step::Write, Status(NativeFile file, std::string_view bytes)> write{"write"};
  // The old file's owner and group, or as much of them as the user may give.
  Step<step::SetOwner, Status(NativeFile file, const FoundFile& old)> set_owner{"set owner"};
  Step<step::SetMode, Status(NativeFile file, const FoundFile& old)> set_mode{"set mode"};
  Step<step::Flush, Status(NativeFile file)> flush{"flush"};
  // A failed close still lets go of the file, as close(2) and CloseHandle do.
  Step<step::Close, Status(NativeFile file)> close{"close"};
  // The old file's kept attributes, given to a closed file by its path.
  Step<step::SetAttributes, Status(const std::string& path, const FoundFile& old)> set_attributes{
      "set attributes"};
  // Replaces a file at `to`; durable: on disk when it returns, where the
  // system can be asked for that.
  Step<step::Rename, Status(const std::string& from, const std::string& to, bool durable)> rename{
      "rename"};
  // Makes the renames in the folder of the path durable.
  Step<step::FlushFolder, Status(const std::string& path)> flush_folder{"flush folder"};
  Step<step::Remove, Status(const std::string& path)> remove{"remove"};
  // The names in the folder of the path, at least those beginning with '.'.
  Step<step::ListFolder, Status(const std::string& path, std::vector<std::string>& names)>
      list_folder{"list folder"};
  // Whether the process of the id has ended (or no process has the id).
  Step<step::ProcessEnded, Status(std::uint32_t process, bool& ended)> process_ended{
      "process ended"};
  // An exclusive lock for the file at the path, across processes.
  Step<step::Lock, Status(const std::string& path, std::unique_ptr<FileLock>& lock)> lock{"lock"};
  // UpdateFiles::TakeProgramPermissions.
  Step<step::TakeProgramPermissions, Status(const std::string& program, const std::string& path)>
      take_program_permissions{"take program permissions"};

  // Calls visit with every step, empty or not.
  template <class Visit>
  void ForEachStep(Visit&& visit) {
    EachStep(*this, visit);
  }
  template <class Visit>
  void ForEachStep(Visit&& visit) const {
    EachStep(*this, visit);
  }
  // The names of the steps this backend has.
  std::vector<std::string_view> StepNames() const;

  // The table of a backend whose calls are the static functions of Calls:
  // ErrorText, NameTaken, ProcessId, NameStart, Beside, IsFile, Denied and, where
  // they can happen, HeldElsewhere and BrieflyHeld for what the layer asks;
  // and a Call for each
  // step it has.
  template <class Calls>
  static FilePrimitives Of();

 private:
  template <class Table, class Visit>
  static void EachStep(Table& table, Visit& visit) {
    visit(table.look_up);
    visit(table.read_link);
    visit(table.may_replace);
    visit(table.create);
    visit(table.create_new);
    visit(table.open);
    visit(table.size);
    visit(table.read);
    visit(table.write);
    visit(table.set_owner);
    visit(table.set_mode);
    visit(table.flush);
    visit(table.close);
    visit(table.set_attributes);
    visit(table.rename);
    visit(table.flush_folder);
    visit(table.remove);
    visit(table.list_folder);
    visit(table.process_ended);
    visit(table.lock);
    visit(table.take_program_permissions);
  }
};

template <class Calls>
FilePrimitives FilePrimitives::Of() {
  FilePrimitives os;
  os.error_text = &Calls::ErrorText;
  os.name_taken = &Calls::NameTaken;
  os.process_id = &Calls::ProcessId;
  os.name_start = &Calls::NameStart;
  os.beside = &Calls::Beside;
  os.is_file = &Calls::IsFile;
  if constexpr (requires { &Calls::HeldElsewhere; }) os.held_elsewhere = &Calls::HeldElsewhere;
  if constexpr (requires { &Calls::BrieflyHeld; }) os.briefly_held = &Calls::BrieflyHeld;
  os.denied = &Calls::Denied;
  os.ForEachStep([]<class Tag, class... Args>(Step<Tag, Status(Args...)>& step) {
    if constexpr (requires(Args... args) { Calls::Call(Tag{}, args...); }) {
      step.call = [](Args... args) { return Calls::Call(Tag{}, std::forward<Args>(args)...); };
    } else {
      static_assert(std::is_base_of_v<step::OnSomeSystems, Tag>, "a step every backend has");
    }
  });
  return os;
}

// The text of a failed step: the reason, or the OS's text for its error.
std::string TextOf(const FilePrimitives& os, const Status& status);

// Throws the FileError that tells a failed step: "Cannot <operation>
// "<path>": <text>", with the step's own operation where it names one.
[[noreturn]] void ThrowFailure(const FilePrimitives& os, const Status& status,
                               std::string_view operation, std::string_view path,
                               FileError::Cause cause = FileError::Cause::kOther);

// How long a rename of a file just written is tried again while the file is
// briefly held, and how long it waits between the tries: a scanner lets go of
// a small file within a second.
inline constexpr int kBriefHoldTries = 40;
inline constexpr std::chrono::milliseconds kBriefHoldPause{50};

// Renames a file just written over `to`, trying again for about two seconds
// while the backend tells that the file is briefly held (and `retry`, when
// given, agrees for the error).
Status RenameJustWritten(const FilePrimitives& os, const std::string& from, const std::string& to,
                         bool durable,
                         bool (*retry)(const FilePrimitives&, int error,
                                       const std::string& to) = nullptr);

inline void Check(const FilePrimitives& os, const Status& status, std::string_view operation,
                  std::string_view path) {
  if (status.Failed()) ThrowFailure(os, status, operation, path);
}

// An open file, closed through the table when it goes out of scope (unless
// closed before). The table must outlive it.
class OpenFile {
 public:
  OpenFile(const FilePrimitives& os, NativeFile file) : os_(&os), file_(file) {}
  OpenFile(OpenFile&& other) noexcept
      : os_(other.os_), file_(std::exchange(other.file_, kNoFile)) {}
  OpenFile& operator=(OpenFile&&) = delete;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() { Close(); }

  NativeFile Get() const { return file_; }
  // Closes now; the file is let go of even when the close fails.
  Status Close() {
    if (file_ == kNoFile) return {};
    return os_->close(std::exchange(file_, kNoFile));
  }

 private:
  const FilePrimitives* os_;
  NativeFile file_;
};

}  // namespace tickerloom::platform
