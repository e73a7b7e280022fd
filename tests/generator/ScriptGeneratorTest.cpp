#include "generator/ScriptGenerator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <tuple>

#include "generator/ScriptFormat.h"
#include "generator/Text.h"
#include "tests/support/FakeForm.h"
#include "tests/support/FileFaults.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/NativeFileSystem.h"
#include "tests/support/TempFolder.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>

#include "platform/posix/PosixCodePage.h"
#endif

namespace tickerloom::generator {
namespace {

using testing::FakeForm;
using testing::ListFolder;
using testing::PathExists;
using testing::ReadBytes;
using testing::WriteBytes;

const std::string kAdvert = AdvertLine();

TEST(GenerateScrollScript, WorkedExampleByteForByte) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  FakeForm form("ABCDE", "3", "intro", "4");
  GenerateScrollScript(form, files);

  EXPECT_EQ(form.total_files, "5");
  EXPECT_EQ(ReadBytes("intro-1.rul"), "Bind F4 \"execrul intro-2.rul\"\r\nSay ABC\r\n");
  EXPECT_EQ(ReadBytes("intro-2.rul"), "Bind F4 \"execrul intro-3.rul\"\r\nSay BCD\r\n");
  EXPECT_EQ(ReadBytes("intro-3.rul"), "Bind F4 \"execrul intro-4.rul\"\r\nSay CDE\r\n");
  EXPECT_EQ(ReadBytes("intro-4.rul"), "Bind F4 \"execrul intro-5.rul\"\r\nSay DEA\r\n");
  EXPECT_EQ(ReadBytes("intro-5.rul"), "Bind F4 \"execrul intro-1.rul\"\r\nSay EAB\r\n");
  EXPECT_EQ(ReadBytes("autoexec.rul"), kAdvert + "\r\n\r\nBind F4 \"execrul intro-1.rul\"\r\n");
  EXPECT_EQ(ListFolder("."),
            "autoexec.rul intro-1.rul intro-2.rul intro-3.rul intro-4.rul intro-5.rul");
}

TEST(GenerateScrollScript, RoadOfOneRequest) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  FakeForm form("This Is A Sample Script", "10", "hello", "2");
  GenerateScrollScript(form, files);

  EXPECT_EQ(form.total_files, "23");
  const std::string scroll = "This Is A Sample ScriptThis Is A";
  for (int i = 1; i <= 23; ++i) {
    const int target = i == 23 ? 1 : i + 1;
    EXPECT_EQ(ReadBytes("hello-" + std::to_string(i) + ".rul"),
              "Bind F2 \"execrul hello-" + std::to_string(target) + ".rul\"\r\nSay " +
                  scroll.substr(i - 1, 10) + "\r\n")
        << i;
  }
  EXPECT_FALSE(PathExists("hello-24.rul"));
}

TEST(GenerateScrollScript, InputsAreReadAsTheWindowHoldsThem) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  // Key "05" is written as F5; a fractional line size is rounded half to even
  // (2.5 -> 2) and that whole number is used for the caption too.
  FakeForm form("\u00C4bc\u00E9", "2.5", "x", "05");
  GenerateScrollScript(form, files);
  EXPECT_EQ(form.total_files, "4");
  EXPECT_EQ(ReadBytes("x-4.rul"), "Bind F5 \"execrul x-1.rul\"\r\nSay \xE9\xC4\r\n");
}

TEST(GenerateScrollScript, ShorterRerunLeavesHigherFilesAlone) {
  testing::TempFolder folder;
  testing::NativeFileSystem files;
  FakeForm first("ABCDEF", "1", "s", "2");
  GenerateScrollScript(first, files);
  const std::string old_five = ReadBytes("s-5.rul");
  const std::string old_six = ReadBytes("s-6.rul");

  FakeForm second("WXYZ", "1", "s", "2");
  GenerateScrollScript(second, files);
  EXPECT_EQ(second.total_files, "4");
  EXPECT_EQ(ReadBytes("s-4.rul"), "Bind F2 \"execrul s-1.rul\"\r\nSay Z\r\n");
  EXPECT_EQ(ReadBytes("s-5.rul"), old_five);
  EXPECT_EQ(ReadBytes("s-6.rul"), old_six);
}

// A string table as the game keeps it, with an entry before and after the
// quit text: sections named back to front, texts as inverted UTF-16 units.
std::string StringTable(std::u16string_view quit, std::string_view id = "QuitMenu.wnd:Quit",
                        std::uint32_t version = 2) {
  const auto number = [](std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
  };
  std::string table = " FSC" + number(version) + number(3) + number(4) + number(0);
  if (version >= 2) table += number(0);
  const auto entry = [&](std::string_view name, std::u16string_view text, bool wide) {
    table += " LBL" + number(1) + number(static_cast<std::uint32_t>(name.size()));
    table += name;
    table += (wide ? "WRTS" : " RTS") + number(static_cast<std::uint32_t>(text.size()));
    for (char16_t unit : text) {
      table += static_cast<char>(~unit & 0xFF);
      table += static_cast<char>((~unit >> 8) & 0xFF);
    }
    if (wide) table += number(2) + "ab";
  };
  entry("GUI.wnd:Ok", u"Ok", true);
  entry(id, quit, false);
  entry("GUI.wnd:Cancel", u"Cancel", false);
  return table;
}

// The letters follow the release in the working folder, told from its string
// table; with no table to read, the system's code page.
TEST(ChooseScriptEncoding, ByTheReleaseInTheFolderOrElseTheSystem) {
  const std::u16string russian = u"\u00C2\u00FB\u00F5\u00EE\u00E4";  // "Выход" byte for unit
  const std::string whole = StringTable(russian);
  const std::string western = StringTable(u"Quit");
  const struct {
    const char* description;
    std::optional<std::string> table;
    int system_code_page;
    GameLetters letters;
  } cases[] = {
      {"Russian release", whole, 1252, GameLetters::kWindows1251},
      {"Western release", western, 1251, GameLetters::kLatin1},
      {"Russian, blanks cleaned", StringTable(u"  \u00C2\u00FB\u00F5\u00EE\u00E4 "), 1252,
       GameLetters::kWindows1251},
      {"Russian, id in other case", StringTable(russian, "QUITMENU.WND:QUIT"), 1252,
       GameLetters::kWindows1251},
      {"Russian, version 1 header", StringTable(russian, "QuitMenu.wnd:Quit", 1), 1252,
       GameLetters::kWindows1251},
      {"no quit text", StringTable(russian, "QuitMenu.wnd:Quitter"), 1251, GameLetters::kLatin1},
      {"no table, Windows-1251", std::nullopt, 1251, GameLetters::kWindows1251},
      {"no table, Windows-1252", std::nullopt, 1252, GameLetters::kLatin1},
      // A table not read whole tells nothing: the system decides.
      {"Russian, cut short", whole.substr(0, whole.size() - 1), 1252, GameLetters::kLatin1},
      {"Western, cut short", western.substr(0, western.size() - 1), 1251,
       GameLetters::kWindows1251},
      {"trailing bytes", western + "LBL", 1251, GameLetters::kWindows1251},
      {"wrong header", std::string(1, 'X').append(western, 1), 1251, GameLetters::kWindows1251},
      {"wrong section", western.substr(0, 24) + "LBL " + western.substr(28), 1251,
       GameLetters::kWindows1251},
      {"empty", "", 1251, GameLetters::kWindows1251},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    testing::MemoryFileSystem files;
    if (c.table) files.files["nox.csf"] = *c.table;
    const ScriptEncoding encoding =
        ChooseScriptEncoding(ReleaseInWorkingFolder(files), c.system_code_page);
    EXPECT_EQ(encoding.letters, c.letters);
    EXPECT_EQ(encoding.name_code_page, c.system_code_page);
  }
}

#ifdef _WIN32
// The code pages the files are written in are the system's own.
TEST(SystemCodePage, TheTablesAreTheSystems) {
  for (int code_page : {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
      const char narrow = static_cast<char>(byte);
      wchar_t wide = 0;
      const int made = ::MultiByteToWideChar(static_cast<UINT>(code_page), MB_ERR_INVALID_CHARS,
                                             &narrow, 1, &wide, 1);
      // The system passes undefined bytes through as C1 controls.
      const char32_t expected = made == 1 && (wide < 0x80 || wide >= 0xA0) ? wide : 0;
      EXPECT_EQ(DecodeCodePageByte(static_cast<unsigned char>(byte), code_page), expected)
          << code_page << " " << byte;
    }
  }
}
#else
// The code page Wine gives the game in the same session: by the language of
// the LC_CTYPE locale, or of LC_ALL even when that is not installed.
TEST(SystemCodePage, IsTheOneWineTakesFromTheLocale) {
  const struct {
    const char* locale;
    int code_page;
  } locales[] = {
      {"C", 1252},           {"POSIX", 1252},          {"en_US.UTF-8", 1252},
      {"de_DE@euro", 1252},  {"ru_RU.UTF-8", 1251},    {"uk_UA", 1251},
      {"ru_UA.UTF-8", 1252}, {"pl_PL.UTF-8", 1250},    {"sr_RS@latin", 1250},
      {"sr_RS", 1252},       {"sr_RS@cyrillic", 1251}, {"el_GR.UTF-8", 1253},
      {"tr_TR", 1254},       {"he_IL", 1255},          {"ar_SA", 1256},
      {"lt_LT", 1257},       {"vi_VN", 1258},          {"th_TH", 874},
      {"ja_JP.UTF-8", 932},  {"zh_CN.GB18030", 936},   {"zh_TW", 950},
      {"ko_KR.EUC-KR", 949}, {"hi_IN", 65001},         {"kk_KZ.UTF-8", 65001},
  };
  for (const auto& l : locales)
    EXPECT_EQ(platform::WineAnsiCodePage(l.locale), l.code_page) << l.locale;

  // ru_XX is installed nowhere: Wine reads it from LC_ALL all the same, but
  // from LANG only a locale that is installed.
  ::unsetenv("LC_CTYPE");
  for (const auto& [lc_all, lang, code_page] :
       {std::tuple{"ru_XX.UTF-8", "C", 1251}, std::tuple{"", "ru_XX.UTF-8", 1252}}) {
    ::setenv("LC_ALL", lc_all, 1);
    ::setenv("LANG", lang, 1);
    EXPECT_EQ(platform::PosixSystemCodePage().AnsiCodePage(), code_page) << lc_all << lang;
  }
  ::unsetenv("LC_ALL");
  ::unsetenv("LANG");
}
#endif

#ifndef _WIN32
// The reasons below are the C library's texts; tests/win32 has the table of
// the Windows file layer.

// A failing script file stops the run: the caption already shows the count,
// earlier files stay, and autoexec.rul is not touched.
TEST(GenerateScrollScript, FileFailuresStopTheRunAndReportPathAndReason) {
  struct Case {
    const char* name;
    const char* expected_path;
    const char* expected_reason;
  };
  const std::string long_name(300, 'n');
  const Case cases[] = {
      {"missing/intro", "missing/intro-1.rul", "No such file or directory"},
      {"taken", "taken-2.rul", "Is a directory"},
      {long_name.c_str(), "-1.rul", "File name too long"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempFolder folder;
    std::filesystem::create_directory("taken-2.rul");
    WriteBytes("autoexec.rul", "old\r\n");
    testing::NativeFileSystem files;
    FakeForm form("abc", "1", c.name, "2");
    try {
      GenerateScrollScript(form, files);
      ADD_FAILURE() << "no failure reported";
    } catch (const platform::FileError& error) {
      EXPECT_NE(std::string(error.what()).find(c.expected_path), std::string::npos) << error.what();
      EXPECT_NE(std::string(error.what()).find(c.expected_reason), std::string::npos)
          << error.what();
    }
    EXPECT_EQ(form.total_files, "3");
    EXPECT_EQ(ReadBytes("autoexec.rul"), "old\r\n");
    EXPECT_EQ(PathExists("taken-1.rul"), std::string(c.name) == "taken");
  }
}

#endif

TEST(GenerateScrollScript, FullDiskDuringAScriptFileIsReported) {
  testing::TempFolder folder;
  WriteBytes("autoexec.rul", "old\r\n");
  const platform::FilePrimitives& native = testing::NativePrimitives();
  platform::FileLayer files(testing::FailingAt(native, native.write.name, 0, testing::kDiskFull));
  EXPECT_EQ(testing::GenerationFailure(FakeForm("abcdefghij", "10", "big", "2"), files),
            "Cannot write \"big-1.rul\": " + native.error_text(testing::kDiskFull));
  EXPECT_EQ(ReadBytes("autoexec.rul"), "old\r\n");
  EXPECT_EQ(ListFolder("."), "autoexec.rul big-1.rul");
}

}  // namespace
}  // namespace tickerloom::generator
