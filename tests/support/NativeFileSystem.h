// The file layer of the platform the tests are built for, its primitives,
// and the error number with which a write fails on a full disk.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/Win32FileSystem.h"
namespace tickerloom::testing {
using NativeFileSystem = platform::win32::Win32FileSystem;
inline const platform::FilePrimitives& NativePrimitives() {
  return platform::win32::Win32FilePrimitives();
}
inline constexpr int kDiskFull = ERROR_DISK_FULL;
}  // namespace tickerloom::testing
#else
#include <cerrno>

#include "platform/posix/PosixFileSystem.h"
namespace tickerloom::testing {
using NativeFileSystem = platform::PosixFileSystem;
inline const platform::FilePrimitives& NativePrimitives() {
  return platform::PosixFilePrimitives();
}
inline constexpr int kDiskFull = ENOSPC;
}  // namespace tickerloom::testing
#endif
