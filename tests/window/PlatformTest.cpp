// The POSIX process services and the program icon file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <signal.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/PosixProcess.h"
#include "platform/icon/ProgramIcon.h"
#include "support/TempFolder.h"

namespace tickerloom::platform {
namespace {

using tickerloom::testing::PathExists;
using tickerloom::testing::ReadBytes;
using tickerloom::testing::TempFolder;
using tickerloom::testing::WriteBytes;
namespace fs = std::filesystem;

struct NameCase {
  const char* argv0;
  const char* folder;  // "" for the working folder
  const char* running_name;
};

TEST(PosixProcessTest, FolderAndRunningNameFromArgv0) {
  TempFolder folder;
  const std::string cwd = fs::current_path().string();
  const NameCase cases[] = {
      {"/opt/nox/Quorvane.exe", "/opt/nox/", "Quorvane.exe"},
      {"/opt/nox/NewQuorvane.exe", "/opt/nox/", "NewQuorvane.exe"},
      {"/opt/nox/quorvane.exe", "/opt/nox/", "quorvane.exe"},
      {"/opt/nox/Quorvane", "/opt/nox/", "Quorvane.exe"},
      {"/opt/no.x/Prog.bin", "/opt/no.x/", "Prog.exe"},
      {"/Quorvane.exe", "/", "Quorvane.exe"},
      {"./Quorvane.exe", "", "Quorvane.exe"},
      {"sub/../game/Quorvane.exe", "game/", "Quorvane.exe"},
  };
  for (const NameCase& c : cases) {
    PosixProcess process(c.argv0);
    const std::string expected_folder =
        c.folder[0] == '/' ? std::string(c.folder) : cwd + "/" + c.folder;
    EXPECT_EQ(process.ProgramFolder(), expected_folder) << c.argv0;
    EXPECT_EQ(process.RunningName(), c.running_name) << c.argv0;
  }
}

TEST(PosixProcessTest, BareNameIsFoundInPath) {
  TempFolder folder;
  fs::create_directory("bin");
  WriteBytes("bin/Quorvane.exe", "#!/bin/sh\n");
  fs::permissions("bin/Quorvane.exe", fs::perms::owner_all);
  const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  const std::string bin = fs::current_path().string() + "/bin";
  ::setenv("PATH", ("/nonexistent:" + bin).c_str(), 1);
  PosixProcess process("Quorvane.exe");
  ::setenv("PATH", old_path.c_str(), 1);
  EXPECT_EQ(process.ProgramFolder(), bin + "/");
  EXPECT_EQ(process.RunningName(), "Quorvane.exe");
}

TEST(PosixProcessTest, FolderIsFixedAtStart) {
  TempFolder folder;
  const std::string cwd = fs::current_path().string();
  PosixProcess process("./Quorvane.exe");
  fs::create_directory("elsewhere");
  fs::current_path("elsewhere");
  EXPECT_EQ(process.ProgramFolder(), cwd + "/");
  fs::current_path(cwd);
}

// The started program runs in a session of its own, without our ignored
// SIGXFSZ, and we do not wait for it.
TEST(PosixProcessTest, StartProgramStartsAnIndependentProcess) {
  TempFolder folder;
  const std::string dir = fs::current_path().string();
  WriteBytes("child.sh",
             "#!/bin/sh\n"
             "sleep 0.2\n"
             "set -- $(cat /proc/$$/stat | sed 's/^.*) //')\n"
             "echo \"$$ $4\" > " +
                 dir +
                 "/session.tmp\n"
                 "grep SigIgn /proc/$$/status > " +
                 dir +
                 "/signals.tmp\n"
                 "mv " +
                 dir + "/session.tmp " + dir + "/session\n");
  fs::permissions("child.sh", fs::perms::owner_all);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction old {};
  sigaction(SIGXFSZ, &ignore, &old);
  PosixProcess process("/x/Quorvane.exe");
  process.StartProgram(dir + "/child.sh");
  sigaction(SIGXFSZ, &old, nullptr);
  EXPECT_FALSE(PathExists("session")) << "StartProgram waited for the program";
  for (int i = 0; i < 100 && !PathExists("session"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(PathExists("session"));
  std::istringstream session(ReadBytes("session"));
  long pid = 0, sid = 0;
  session >> pid >> sid;
  EXPECT_EQ(pid, sid) << "not a session leader";
  // SigIgn is a hex mask; SIGXFSZ is signal 25, bit 24.
  const std::string signals = ReadBytes("signals.tmp");
  const unsigned long long mask = std::stoull(signals.substr(signals.find(':') + 1), nullptr, 16);
  EXPECT_EQ(mask & (1ULL << (SIGXFSZ - 1)), 0U) << signals;
}

TEST(PosixProcessTest, StartProgramReportsTheOsError) {
  PosixProcess process("/x/Quorvane.exe");
  try {
    process.StartProgram("/no/such/folder/NewQuorvane.exe");
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    const std::string what = error.what();
    EXPECT_NE(what.find("/no/such/folder/NewQuorvane.exe"), std::string::npos) << what;
    EXPECT_NE(what.find("No such file or directory"), std::string::npos) << what;
  }
}

TEST(PosixProcessDeathTest, ExitNowEndsAtOnce) {
  PosixProcess process("/x/Quorvane.exe");
  // An exit handler would print; _exit skips it.
  EXPECT_EXIT(
      {
        std::atexit([] { std::fputs("unload work ran", stderr); });
        process.ExitNow();
      },
      ::testing::ExitedWithCode(0), "^$");
}

std::uint32_t Read32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
unsigned Read16(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}

TEST(ProgramIconTest, TwoImagesOf32By32In16And256Colours) {
  const auto icon = ProgramIconFile();
  ASSERT_GE(icon.size(), 6U + 32U);
  const unsigned char* data = icon.data();
  EXPECT_EQ(Read16(data), 0U);
  EXPECT_EQ(Read16(data + 2), 1U);  // an icon, not a cursor
  ASSERT_EQ(Read16(data + 4), 2U);
  // The standard 16-colour palette, as BGR0 quads.
  const std::array<std::array<int, 3>, 16> standard = {{
      {0, 0, 0},
      {128, 0, 0},
      {0, 128, 0},
      {128, 128, 0},
      {0, 0, 128},
      {128, 0, 128},
      {0, 128, 128},
      {192, 192, 192},
      {128, 128, 128},
      {255, 0, 0},
      {0, 255, 0},
      {255, 255, 0},
      {0, 0, 255},
      {255, 0, 255},
      {0, 255, 255},
      {255, 255, 255},
  }};
  const unsigned bits[] = {4, 8};
  for (int i = 0; i < 2; ++i) {
    const unsigned char* entry = data + 6 + 16 * i;
    EXPECT_EQ(entry[0], 32);
    EXPECT_EQ(entry[1], 32);
    EXPECT_EQ(entry[2], bits[i] == 4 ? 16 : 0);
    EXPECT_EQ(Read16(entry + 6), bits[i]);
    const std::uint32_t size = Read32(entry + 8), offset = Read32(entry + 12);
    ASSERT_LE(offset + size, icon.size());
    const unsigned char* header = data + offset;
    EXPECT_EQ(Read32(header), 40U);
    EXPECT_EQ(Read32(header + 4), 32U);
    EXPECT_EQ(Read32(header + 8), 64U);  // colour bitmap and mask
    EXPECT_EQ(Read16(header + 14), bits[i]);
    const unsigned colours = 1U << bits[i];
    const std::size_t pixel_bytes = 32 * 32 * bits[i] / 8, mask_bytes = 32 * 4;
    EXPECT_EQ(size, 40 + colours * 4 + pixel_bytes + mask_bytes);
    const unsigned char* palette = header + 40;
    if (bits[i] == 4) {
      for (unsigned c = 0; c < 16; ++c) {
        EXPECT_EQ(palette[4 * c + 2], standard[c][0]) << c;
        EXPECT_EQ(palette[4 * c + 1], standard[c][1]) << c;
        EXPECT_EQ(palette[4 * c + 0], standard[c][2]) << c;
      }
    }
    // Real artwork: several colours, some pixels opaque and some not.
    const unsigned char* pixels = palette + colours * 4;
    std::array<bool, 256> used{};
    for (std::size_t b = 0; b < pixel_bytes; ++b) {
      if (bits[i] == 8) {
        used[pixels[b]] = true;
      } else {
        used[pixels[b] >> 4] = used[pixels[b] & 15] = true;
      }
    }
    int distinct = 0;
    for (bool u : used) distinct += u;
    EXPECT_GE(distinct, bits[i] == 4 ? 5 : 8);
    int transparent = 0;
    for (std::size_t b = 0; b < mask_bytes; ++b)
      transparent += __builtin_popcount(pixels[pixel_bytes + b]);
    EXPECT_GT(transparent, 0);
    EXPECT_LT(transparent, 32 * 32 / 2);
  }
}

}  // namespace
}  // namespace tickerloom::platform
