#include "generator/ScrollScript.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace tickerloom::generator {
namespace {

std::vector<ScriptFileContents> AllFiles(const ScrollRequest& request) {
  const ScrollScript script(request);
  std::vector<ScriptFileContents> files;
  for (long long i = 1; i <= script.FileCount(); ++i) files.push_back(script.File(i));
  return files;
}

struct ChainCase {
  const char32_t* text;
  long long line_size;
  std::vector<std::string> say_lines;  // one per file, in order
};

TEST(ScrollScript, EachFileSaysTheNextWindowAndBindsTheNextFile) {
  const ChainCase cases[] = {
      {U"ABCDE", 3, {"Say ABC", "Say BCD", "Say CDE", "Say DEA", "Say EAB"}},
      {U"ABC", 3, {"Say ABC", "Say BCA", "Say CAB"}},
      {U"ABC", 1, {"Say A", "Say B", "Say C"}},
      {U"A", 1, {"Say A"}},
      {U"Hi ", 2, {"Say Hi", "Say i ", "Say  H"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "line size " << c.line_size);
    const auto files = AllFiles({c.text, c.line_size, U"intro", 4});
    ASSERT_EQ(files.size(), c.say_lines.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      const std::size_t target = i + 1 == files.size() ? 1 : i + 2;
      EXPECT_EQ(files[i].file_name, "intro-" + std::to_string(i + 1) + ".rul");
      EXPECT_EQ(files[i].bind_line, "Bind F4 \"execrul intro-" + std::to_string(target) + ".rul\"");
      EXPECT_EQ(files[i].say_line, c.say_lines[i]);
    }
  }
}

TEST(ScrollScript, ScrollTextIsTheTextFollowedByItsStart) {
  const ScrollScript script({U"This Is A Sample Script", 10, U"hello", 2});
  EXPECT_EQ(script.ScrollText(), U"This Is A Sample ScriptThis Is A");
  EXPECT_EQ(script.FileCount(), 23);
  EXPECT_EQ(script.File(23).say_line, "Say tThis Is A");
  EXPECT_EQ(script.File(12).file_name, "hello-12.rul");
}

TEST(ScrollScript, LineBreakingCharactersInTheTextBecomeQuestionMarks) {
  const auto files = AllFiles({U"a\r\nb\x7F\u00E9\U0001F600", 6, U"n", 2});
  ASSERT_EQ(files.size(), 7u);
  EXPECT_EQ(files[0].say_line, "Say a??b?\xE9");
  for (const auto& file : files) {
    EXPECT_EQ(file.say_line.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(file.say_line.size(), 4u + 6u);  // one byte per character
  }
}

TEST(ScrollScript, BindLinesNameExactlyTheFilesWritten) {
  // A control, an emoji and a letter outside the code page all become '?'
  // in both places; letters the code page holds stay in both.
  const auto files = AllFiles({U"xy", 1, U"na\nme\U0001F600\u0141\u00E9", 3});
  EXPECT_EQ(files[0].file_name, "na?me??\xC3\xA9-1.rul");
  EXPECT_EQ(files[1].bind_line, "Bind F3 \"execrul na?me??\xE9-1.rul\"");
  EXPECT_EQ(WritableScriptName(U"\u20AC/x"), U"\u20AC/x");
}

// The game splits a command at blanks, ends a quoted part at the next double
// quote and copies execrul's file name into 128 characters.
TEST(ScrollScript, FindsScriptNamesTheGameCannotRun) {
  const std::u32string longest_for_nine(121, U'n');  // "nnn...-9.rul": 127 characters
  const struct {
    const char* description;
    std::u32string name;
    std::u32string text;
    long long line_size;
    GameNameFault fault;
  } cases[] = {
      {"plain", U"intro", U"abcde", 3, GameNameFault::kNone},
      {"blank", U"my intro", U"abc", 1, GameNameFault::kSpaceOrQuote},
      {"only a blank", U" ", U"abc", 1, GameNameFault::kSpaceOrQuote},
      {"double quote", U"a\"b", U"abc", 1, GameNameFault::kSpaceOrQuote},
      // Written as '?', so neither splits the command.
      {"tab", U"a\tb", U"abc", 1, GameNameFault::kNone},
      {"ideographic space", U"a\u3000b", U"abc", 1, GameNameFault::kNone},
      {"longest for 9 files", longest_for_nine, U"123456789", 2, GameNameFault::kNone},
      {"one longer", longest_for_nine + U"n", U"123456789", 2, GameNameFault::kTooLong},
      {"longest for 9, with 10 files", longest_for_nine, U"1234567890", 1, GameNameFault::kTooLong},
      // One Windows-1252 byte each, although longer in UTF-8.
      {"euro signs", std::u32string(121, U'\u20AC'), U"123456789", 1, GameNameFault::kNone},
      {"blank and too long", longest_for_nine + U" ", U"123456789", 1,
       GameNameFault::kSpaceOrQuote},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    const ScrollRequest request{c.text, c.line_size, c.name, 2};
    EXPECT_EQ(ScrollFileCount(request), static_cast<long long>(c.text.size()));
    EXPECT_EQ(FindGameNameFault(request), c.fault);
  }
}

TEST(ScrollScript, RefusesRequestsOutsideItsLimits) {
  const ScrollRequest bad[] = {
      {U"", 1, U"n", 2},   {U"abc", 0, U"n", 2}, {U"abc", 4, U"n", 2},
      {U"abc", 1, U"", 2}, {U"abc", 1, U"n", 1}, {U"abc", 1, U"n", 9},
  };
  for (const auto& request : bad) {
    EXPECT_THROW(ScrollScript{request}, std::invalid_argument);
  }
}

}  // namespace
}  // namespace tickerloom::generator
