// What the tests of every platform's update files (platform/UpdateFiles.h)
// share: the cases that hold alike on every system, in a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "platform/FileSystem.h"
#include "platform/UpdateFiles.h"
#include "tests/support/TempFolder.h"
#include "tests/update/support/DownloadCases.h"

namespace tickerloom::testing {

// folder ends in the system's separator; a folder named "missing" in it
// does not exist, and creating a file in it fails with missing_error.
inline void ExpectNewEmptyUniqueTemporariesNamedForTheirFileAndOwner(platform::UpdateFiles& files,
                                                                     const std::string& folder,
                                                                     std::uint32_t process_id,
                                                                     int missing_error) {
  const std::string first = files.CreateTemporaryFile(folder + "NewQuorvane.exe");
  const std::string second = files.CreateTemporaryFile(folder + "NewQuorvane.exe");
  // A temporary beside a temporary (as a download makes) stands for the same file.
  const std::string nested = files.CreateTemporaryFile(first);
  EXPECT_NE(first, second);
  for (const std::string& path : {first, second, nested}) {
    const std::string owned = folder + ".NewQuorvane.exe.tmp-" + std::to_string(process_id) + "-";
    EXPECT_EQ(path.rfind(owned, 0), 0u) << path;
    EXPECT_EQ(ReadBytes(path), "");
  }
  const std::string missing = folder + "missing" + folder.back();
  try {
    files.CreateTemporaryFile(missing + "x");
    ADD_FAILURE() << "no error";
  } catch (const platform::FileError& error) {
    EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
    EXPECT_EQ(error.ErrorNumber(), missing_error);
  }
}

// The file's bytes in order, in more than one chunk; a missing file and a
// folder fail with their path.
inline void ExpectTheBytesInChunksInOrder(platform::UpdateFiles& files, const std::string& folder) {
  const std::string bytes = Binary(300001);
  WriteBytes(folder + "file", bytes);
  std::string read;
  int chunks = 0;
  files.ReadInChunks(folder + "file", [&](std::span<const std::byte> chunk) {
    read.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
    ++chunks;
  });
  EXPECT_EQ(read, bytes);
  EXPECT_GT(chunks, 1) << "never the whole file at once";

  std::filesystem::create_directory(folder + "folder");
  for (const std::string& path : {folder + "missing", folder + "folder"}) {
    try {
      files.ReadInChunks(path, [](std::span<const std::byte>) {});
      ADD_FAILURE() << "no error for " << path;
    } catch (const platform::FileError& error) {
      EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
  }
}

}  // namespace tickerloom::testing
