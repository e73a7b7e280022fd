#include "update/Update.h"

#include <optional>
#include <stdexcept>

#include "common/Number.h"
#include "update/Signature.h"

namespace tickerloom::update {
namespace {

using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

constexpr const char* kTitle = "Update";

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

// Downloads the executable and its signature into temporary files, verifies
// the signature over the version line and the executable, and only then makes
// the file executable and renames it to new_executable.
void FetchSignedExecutable(const std::string& app_folder, const std::string& exe_name,
                           const std::string& version_line, const std::string& new_executable,
                           const UpdateServices& services, std::string& temporary_executable,
                           std::string& temporary_signature) {
  const auto public_key = ParsePublicKey(services.source.public_key_hex);
  if (!public_key) {
    throw UpdateRefused("This build has no valid key to check updates with.");
  }
  temporary_executable =
      services.update_files.CreateTemporaryFile(app_folder, "New" + exe_name + ".part");
  temporary_signature =
      services.update_files.CreateTemporaryFile(app_folder, exe_name + ".sig.part");

  const std::string executable_url = services.source.base_url + exe_name;
  services.download.Fetch(executable_url, temporary_executable, kMaxExecutableBytes);
  services.download.Fetch(executable_url + ".sig", temporary_signature, kMaxSignatureFileBytes);
  const Signature signature = ReadSignature(services.files, temporary_signature);

  UpdateDigest digest(version_line);
  services.update_files.ReadInChunks(
      temporary_executable, [&digest](std::span<const std::byte> bytes) { digest.Add(bytes); });
  if (!Verify(*public_key, digest.Finish(), signature)) {
    throw UpdateRefused("The downloaded program is not signed with the author's key.");
  }
  services.update_files.MakeExecutable(temporary_executable);
  services.files.RenameFile(temporary_executable, new_executable);
  temporary_executable.clear();
}

// The Yes path: fetch, verify and keep the new executable; any failure is
// told in one box, and whatever was downloaded is removed again.
void DownloadNewExecutable(const std::string& app_folder, const std::string& exe_name,
                           const std::string& version_line, const UpdateServices& services) {
  std::string temporary_executable;
  std::string temporary_signature;
  std::optional<std::string> failure;
  try {
    FetchSignedExecutable(app_folder, exe_name, version_line, app_folder + "New" + exe_name,
                          services, temporary_executable, temporary_signature);
  } catch (const UpdateRefused& error) {
    failure = error.what();
  } catch (const platform::DownloadError& error) {
    failure = error.what();
  } catch (const platform::FileError& error) {
    failure = error.what();
  }
  for (const std::string& path : {temporary_executable, temporary_signature}) {
    if (!path.empty() && services.files.FileExists(path)) services.files.RemoveFile(path);
  }
  if (failure) {
    services.boxes.Show(Message{.prompt = "The update was not installed:\r\n" + *failure +
                                          "\r\nThis version goes on running.",
                                .title = kTitle,
                                .buttons = MessageButtons::kOk,
                                .icon = MessageIcon::kInformation});
  }
}

}  // namespace

bool IsNewerVersion(std::string_view own_version, std::string_view first_line) {
  return LeadingNumber(own_version) < LeadingNumber(first_line);
}

void CheckForUpdate(const std::string& app_folder, const std::string& exe_name,
                    const std::string& own_version, const UpdateServices& services) {
  const std::string local_copy = app_folder + exe_name + "cfu.tmp";
  try {
    services.download.Fetch(services.source.base_url + exe_name + "Ver.txt", local_copy,
                            kMaxVersionFileBytes);
  } catch (const platform::DownloadError&) {
    // An unreachable server or a missing version file is the normal case
    // when offline: the check ends without a word, as if no update existed.
  }
  if (!services.files.FileExists(local_copy)) return;

  // An empty file has no first line and counts as version 0.
  const std::optional<std::string> first_line = ReadFirstLine(services.files, local_copy);
  if (first_line && IsNewerVersion(own_version, *first_line)) {
    const MessageAnswer answer = services.boxes.Show(
        Message{.prompt = "A Newer Version Is Available\r\nDo You Want To Download It Now?",
                .title = kTitle,
                .buttons = MessageButtons::kYesNo,
                .icon = MessageIcon::kInformation});
    if (answer == MessageAnswer::kYes) {
      DownloadNewExecutable(app_folder, exe_name, *first_line, services);
      services.timers.SwitchTimer1On();
    }
  }
  services.files.RemoveFile(local_copy);
}

}  // namespace tickerloom::update
