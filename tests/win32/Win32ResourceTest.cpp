// The resources of the built Quorvane.exe: the program icon drawn at build
// time, the version information and the application manifest.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/icon/ProgramIcon.h"
#include "platform/win32/Win32Text.h"

namespace tickerloom::platform::win32 {
namespace {

// TICKERLOOM_PROGRAM: the program's path relative to this test's folder.
std::wstring ProgramPath() {
  wchar_t own[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, own, MAX_PATH * 4);
  return (std::filesystem::path(std::wstring(own, length)).parent_path() / TICKERLOOM_PROGRAM)
      .wstring();
}

class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = ::LoadLibraryExW(ProgramPath().c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << SystemErrorText(::GetLastError());
  }
  void TearDown() override {
    if (module_ != nullptr) ::FreeLibrary(module_);
  }
  std::string Resource(const wchar_t* type, int id) const {
    const HRSRC found = ::FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    if (found == nullptr) return {};
    const HGLOBAL loaded = ::LoadResource(module_, found);
    return std::string(static_cast<const char*>(::LockResource(loaded)),
                       ::SizeofResource(module_, found));
  }

  HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bits;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

// Both images of the icon file, unchanged, under one icon group.
TEST_F(ProgramResources, TheIconHoldsBothImagesOfTheProgramIcon) {
  const std::string group = Resource(RT_GROUP_ICON, 1);
  ASSERT_GE(group.size(), 6u);
  const auto count = static_cast<std::size_t>(static_cast<unsigned char>(group[4]));
  ASSERT_EQ(count, 2u);
  ASSERT_EQ(group.size(), 6 + count * sizeof(IconGroupEntry));

  const auto icon_file = ProgramIconFile();
  const auto* file = reinterpret_cast<const unsigned char*>(icon_file.data());
  for (std::size_t i = 0; i < count; ++i) {
    IconGroupEntry entry{};
    std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
    EXPECT_EQ(entry.width, 32);
    EXPECT_EQ(entry.height, 32);
    EXPECT_EQ(entry.bits, i == 0 ? 4 : 8);
    // The same image as in the .ico file that MakeIcon drew.
    const unsigned char* directory = file + 6 + 16 * i;
    const DWORD size = directory[8] | directory[9] << 8 | directory[10] << 16 | directory[11] << 24;
    const DWORD offset =
        directory[12] | directory[13] << 8 | directory[14] << 16 | directory[15] << 24;
    EXPECT_EQ(Resource(RT_ICON, entry.id),
              std::string(reinterpret_cast<const char*>(file + offset), size));
  }
}

TEST_F(ProgramResources, VersionInformationNamesTheProduct) {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  std::string block(::GetFileVersionInfoSizeW(path.c_str(), &ignored), '\0');
  ASSERT_FALSE(block.empty());
  ASSERT_NE(::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()),
            0);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_NE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length), 0);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);  // 1.1
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);           // .0.0
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  const auto text = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT characters = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                         &characters) == 0) {
      return std::string("<none>");
    }
    return Narrow(std::wstring(value));
  };
  EXPECT_EQ(text(L"ProductName"), "Tickerloom");
  EXPECT_EQ(text(L"FileVersion"), "1.1.0.0");
  EXPECT_EQ(text(L"OriginalFilename"), "Quorvane.exe");
  EXPECT_EQ(text(L"FileDescription"), "Zeltrin's Tickerloom");
}

TEST_F(ProgramResources, TheManifestAsksForCommonControls6PerMonitorDpiAndNoElevation) {
  const std::string manifest = Resource(MAKEINTRESOURCEW(24), 1);  // RT_MANIFEST
  for (const char* part : {
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
           "level=\"asInvoker\"",
           "<dpiAwareness "
           "xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2",
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
           "version=\"1.1.0.0\"",
       }) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
}

}  // namespace
}  // namespace tickerloom::platform::win32
