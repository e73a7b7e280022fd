#include "update/Update.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <utility>

#include "common/Number.h"
#include "update/ServerFiles.h"
#include "update/Signature.h"

namespace tickerloom::update {
namespace {

using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

constexpr const char* kTitle = "Update";
constexpr const char* kDownloadingPrompt = "Downloading The New Version";

// A downloaded update that must not be kept; what() is told to the user.
class UpdateRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::optional<std::string> ReadFirstLine(platform::FileSystem& files, const std::string& path) {
  const auto reader = files.OpenForReading(path);
  std::optional<std::string> line;
  if (!reader->AtEnd()) line = reader->ReadLine();
  reader->Close();
  return line;
}

Signature ReadSignature(platform::FileSystem& files, const std::string& path) {
  const auto reader = files.OpenForReading(path);
  const std::string text = reader->ReadAll();
  reader->Close();
  const auto signature = ParseSignatureFile(text);
  if (!signature) {
    throw UpdateRefused("The update's signature file does not hold a signature.");
  }
  return *signature;
}

// Removes the file unless it is gone already: another running copy of the
// program may have removed it first.
void RemoveIfPresent(platform::FileSystem& files, const std::string& path) {
  if (!files.FileExists(path)) return;
  try {
    files.RemoveFile(path);
  } catch (const platform::FileError&) {
    if (files.FileExists(path)) throw;
  }
}

// A file the check made, removed however the check ends. Remove() on the
// normal way out reports a failure; when an error ends the check instead, the
// destructor removes the file quietly, as that error is the one to report.
class OwnedFile {
 public:
  OwnedFile(platform::FileSystem& files, std::string path)
      : files_(files), path_(std::move(path)) {}
  OwnedFile(const OwnedFile&) = delete;
  OwnedFile& operator=(const OwnedFile&) = delete;
  ~OwnedFile() {
    if (path_.empty()) return;
    try {
      RemoveIfPresent(files_, path_);
    } catch (...) {
      // Nothing may leave a destructor; the error that ended the check is told.
    }
  }

  const std::string& Path() const { return path_; }
  void Remove() {
    RemoveIfPresent(files_, path_);
    path_.clear();
  }
  // The file has been renamed to where it belongs.
  void Release() { path_.clear(); }

 private:
  platform::FileSystem& files_;
  std::string path_;
};

// Downloads the executable and its signature into temporary files, verifies
// the signature over the version line and the executable, and only then gives
// the file the program's permissions and renames it to new_executable. The
// progress box shows the executable's download and offers Cancel throughout.
void FetchSignedExecutable(const std::string& app_folder, const std::string& exe_name,
                           const std::string& version_line, const UpdateServices& services) {
  const auto public_key = ParsePublicKey(services.source.public_key_hex);
  if (!public_key) {
    throw UpdateRefused("This build has no valid key to check updates with.");
  }
  const std::string new_executable = app_folder + "New" + exe_name;
  OwnedFile executable(services.files, services.update_files.CreateTemporaryFile(new_executable));
  OwnedFile signature_file(services.files, services.update_files.CreateTemporaryFile(
                                               app_folder + SignatureFileName(exe_name)));
  const auto box = services.progress.OpenProgressBox(kTitle, kDownloadingPrompt);
  std::uint64_t received = 0;
  std::optional<std::uint64_t> total;
  const platform::DownloadProgress executable_progress = [&](std::uint64_t now,
                                                             std::optional<std::uint64_t> length) {
    received = now;
    total = length;
    return box->Update(received, total);
  };
  // The small signature file leaves the figures as the executable left them.
  const platform::DownloadProgress signature_progress =
      [&](std::uint64_t, std::optional<std::uint64_t>) { return box->Update(received, total); };

  services.download.Fetch(services.source.base_url + exe_name, executable.Path(),
                          kMaxExecutableBytes, services.timeouts.executable, executable_progress);
  services.download.Fetch(services.source.base_url + SignatureFileName(exe_name),
                          signature_file.Path(), kMaxSignatureFileBytes,
                          services.timeouts.executable, signature_progress);
  const Signature signature = ReadSignature(services.files, signature_file.Path());
  signature_file.Remove();

  UpdateDigest digest(version_line);
  services.update_files.ReadInChunks(
      executable.Path(), [&digest](std::span<const std::byte> bytes) { digest.Add(bytes); });
  if (!Verify(*public_key, digest.Finish(), signature)) {
    throw UpdateRefused("The downloaded program is not signed with the author's key.");
  }
  services.update_files.TakeProgramPermissions(executable.Path());
  services.files.RenameFile(executable.Path(), new_executable);
  executable.Release();
}

// The Yes path: fetch, verify and keep the new executable. A failure is told
// in one box once whatever was downloaded is gone again; a cancel is not.
void DownloadNewExecutable(const std::string& app_folder, const std::string& exe_name,
                           const std::string& version_line, const UpdateServices& services) {
  std::optional<std::string> failure;
  try {
    FetchSignedExecutable(app_folder, exe_name, version_line, services);
  } catch (const platform::DownloadCancelled&) {
    return;
  } catch (const UpdateRefused& error) {
    failure = error.what();
  } catch (const platform::DownloadError& error) {
    failure = error.what();
  } catch (const platform::FileError& error) {
    failure = error.what();
  }
  if (failure) {
    services.boxes.Show(Message{.prompt = "The update was not installed:\r\n" + *failure +
                                          "\r\nThis version goes on running.",
                                .title = kTitle,
                                .buttons = MessageButtons::kOk,
                                .icon = MessageIcon::kInformation});
  }
}

// A newer version for a program in a folder it may not write: the download
// would fail, so the offer is of a start as administrator where the system
// has one, else it says what keeps the update out.
void OfferElevatedStart(const std::string& app_folder, const std::string& exe_name,
                        const std::string& refusal, const UpdateServices& services) {
  platform::Process* const process = services.process;
  if (process == nullptr || !process->CanStartElevated()) {
    services.boxes.Show(Message{.prompt = "A Newer Version Is Available\r\n" + refusal +
                                          "\r\nMove " + exe_name +
                                          " to a folder you may write in to update it.",
                                .title = kTitle,
                                .buttons = MessageButtons::kOk,
                                .icon = MessageIcon::kInformation});
    return;
  }
  const MessageAnswer answer = services.boxes.Show(Message{
      .prompt = "A Newer Version Is Available\r\nWindows protects the folder " + app_folder +
                ": only " + exe_name + " started as administrator can save it there.\r\nStart " +
                exe_name + " Again As Administrator To Download It?",
      .title = kTitle,
      .buttons = MessageButtons::kYesNo,
      .icon = MessageIcon::kInformation});
  if (answer != MessageAnswer::kYes) return;
  // A prompt the player refused ends the matter quietly.
  if (process->StartElevated(process->WorkingFolder(), {})) process->ExitNow();
}

}  // namespace

bool IsNewerVersion(std::string_view own_version, std::string_view first_line) {
  return LeadingNumber(own_version) < LeadingNumber(first_line);
}

void CheckForUpdate(const std::string& app_folder, const std::string& exe_name,
                    const std::string& own_version, const UpdateServices& services) {
  std::string local_copy_path = app_folder + exe_name + "cfu.tmp";
  const std::string new_executable = app_folder + "New" + exe_name;
  const std::string signature = app_folder + SignatureFileName(exe_name);
  services.update_files.RemoveOrphanedTemporaries({local_copy_path, new_executable, signature});
  const auto fetch_version_file = [&] {
    services.download.Fetch(services.source.base_url + VersionFileName(exe_name), local_copy_path,
                            kMaxVersionFileBytes, services.timeouts.version_file, {});
  };
  // A folder Windows protects takes no download: the version file is read in
  // the temporary folder then, and a newer version is offered differently.
  std::optional<std::string> protected_folder;
  try {
    try {
      fetch_version_file();
    } catch (const platform::DownloadFolderDenied& denied) {
      protected_folder = denied.what();
      std::error_code failed;
      const std::filesystem::path temporary = std::filesystem::temp_directory_path(failed);
      if (failed) return;
      const std::u8string path = (temporary / (exe_name + "cfu.tmp")).u8string();
      local_copy_path.assign(path.begin(), path.end());
      services.update_files.RemoveOrphanedTemporaries({local_copy_path});
      fetch_version_file();
    }
  } catch (const platform::DownloadError&) {
    // An unreachable server or a missing version file is the normal case
    // when offline: the check ends without a word, as if no update existed.
    // A local copy that a killed run left behind is no answer of this run's.
    RemoveIfPresent(services.files, local_copy_path);
    return;
  }
  OwnedFile local_copy(services.files, local_copy_path);

  // An empty file has no first line and counts as version 0.
  const std::optional<std::string> first_line = ReadFirstLine(services.files, local_copy.Path());
  const bool newer = first_line && IsNewerVersion(own_version, *first_line);
  if (newer && protected_folder) {
    local_copy.Remove();
    OfferElevatedStart(app_folder, exe_name, *protected_folder, services);
    return;
  }
  if (newer) {
    const MessageAnswer answer = services.boxes.Show(
        Message{.prompt = "A Newer Version Is Available\r\nDo You Want To Download It Now?",
                .title = kTitle,
                .buttons = MessageButtons::kYesNo,
                .icon = MessageIcon::kInformation});
    if (answer == MessageAnswer::kYes) {
      DownloadNewExecutable(app_folder, exe_name, *first_line, services);
      services.timers.switch_timer1_on();
    }
  }
  local_copy.Remove();
}

}  // namespace tickerloom::update
