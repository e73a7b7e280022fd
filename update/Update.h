// The module Update: the version check at start-up and the download of a
// newer, signed executable next to the running one.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Download.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "platform/UpdateFiles.h"
#include "platform/WindowToolkit.h"

namespace tickerloom::update {

// What the self-update needs of the main window's two timers.
struct UpdateTimers {
  // Timer1 ticks (again) every 500 ms; switching a running timer on leaves it
  // running.
  std::function<void()> switch_timer1_on;
  // Timer2 stops ticking.
  std::function<void()> switch_timer2_off;
};

// Where updates come from and who vouches for them.
struct UpdateSource {
  std::string base_url;        // a directory address ending in "/"
  std::string public_key_hex;  // the Ed25519 public key, 64 hex digits
};

inline constexpr std::uint64_t kMaxVersionFileBytes = 64 * 1024;
inline constexpr std::uint64_t kMaxExecutableBytes = 256 * 1024 * 1024;
inline constexpr std::uint64_t kMaxSignatureFileBytes = 1024;

// The version check holds up the window's first appearance: it ends after
// this long in all, whatever the server does.
inline constexpr std::chrono::seconds kVersionCheckLimit{10};

// How long the downloads may take.
struct UpdateTimeouts {
  platform::DownloadTimeouts version_file{
      .connect = kVersionCheckLimit, .total = kVersionCheckLimit, .stall = kVersionCheckLimit};
  // The program and its signature, which the user waits for in a progress
  // box: ended when nothing arrives for 30 s, or less than 1 KiB a second
  // arrives over 30 s.
  platform::DownloadTimeouts executable{.connect = std::chrono::seconds(10),
                                        .total = std::chrono::milliseconds(0),
                                        .stall = std::chrono::seconds(30),
                                        .floor_bytes_per_second = 1024,
                                        .floor_window = std::chrono::seconds(30)};
};

// Everything the check works through.
struct UpdateServices {
  platform::FileSystem& files;
  platform::UpdateFiles& update_files;
  platform::Download& download;
  platform::MessageBoxes& boxes;
  platform::ProgressBoxes& progress;
  UpdateTimers timers;
  UpdateSource source;
  UpdateTimeouts timeouts = {};
  // For a start as administrator when the program's folder is protected;
  // none: never offered.
  platform::Process* process = nullptr;
};

// True when the server's version, the leading number of its version file's
// first line, is higher than the own version.
bool IsNewerVersion(std::string_view own_version, std::string_view first_line);

// First removes the temporary files that killed runs left in app_folder.
// Fetches the version file into app_folder + exe_name + "cfu.tmp"; when its
// first line names a newer version, asks the user and on Yes downloads the
// executable (in a progress box with Cancel) and its signature, keeps the
// executable as app_folder + "New" + exe_name, with the running program's
// permissions, only when the signature verifies, and switches Timer1 on. The
// local copy of the version file is deleted again. A version file that cannot
// be fetched in this run ends the check silently (an older local copy is
// removed, never read); a cancel ends the download silently; any other failure
// after Yes is told in one box and the program goes on as the old version.
// Nothing downloaded stays behind when the check ends by an error. Throws
// platform::FileError when the local copy cannot be read or deleted, and lets
// errors of other kinds (std::bad_alloc and the like) through.
void CheckForUpdate(const std::string& app_folder, const std::string& exe_name,
                    const std::string& own_version, const UpdateServices& services);

}  // namespace tickerloom::update
