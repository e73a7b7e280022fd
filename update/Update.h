// The module Update: the version check at start-up and the download of a
// newer, signed executable next to the running one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Download.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/UpdateFiles.h"
#include "update/UpdateTimers.h"

namespace tickerloom::update {

// Where updates come from and who vouches for them.
struct UpdateSource {
  std::string base_url;        // a directory address ending in "/"
  std::string public_key_hex;  // the Ed25519 public key, 64 hex digits
};

inline constexpr std::uint64_t kMaxVersionFileBytes = 64 * 1024;
inline constexpr std::uint64_t kMaxExecutableBytes = 256 * 1024 * 1024;
inline constexpr std::uint64_t kMaxSignatureFileBytes = 1024;

// Everything the check works through.
struct UpdateServices {
  platform::FileSystem& files;
  platform::UpdateFiles& update_files;
  platform::Download& download;
  platform::MessageBoxes& boxes;
  UpdateTimers& timers;
  UpdateSource source;
};

// True when the server's version, the leading number of its version file's
// first line, is higher than the own version.
bool IsNewerVersion(std::string_view own_version, std::string_view first_line);

// Fetches the version file into app_folder + exe_name + "cfu.tmp"; when its
// first line names a newer version, asks the user and on Yes downloads the
// executable and its signature, keeps the executable as app_folder + "New" +
// exe_name only when the signature verifies, and switches Timer1 on. The local
// copy of the version file is deleted again. A version file that cannot be
// fetched ends the check silently; any failure after Yes is told in one box
// and the program goes on as the old version. Throws platform::FileError only
// when the local copy cannot be read or deleted.
void CheckForUpdate(const std::string& app_folder, const std::string& exe_name,
                    const std::string& own_version, const UpdateServices& services);

}  // namespace tickerloom::update
