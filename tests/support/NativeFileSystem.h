// The file layer of the platform the tests are built for.
#pragma once

#ifdef _WIN32
#include "platform/win32/Win32FileSystem.h"
namespace tickerloom::testing {
using NativeFileSystem = platform::win32::Win32FileSystem;
}
#else
#include "platform/posix/PosixFileSystem.h"
namespace tickerloom::testing {
using NativeFileSystem = platform::PosixFileSystem;
}
#endif
