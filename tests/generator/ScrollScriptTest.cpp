#include "generator/ScrollScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <utility>
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

TEST(ScrollScript, BindLinesNameTheFilesInTheSystemsCodePageAndSayTheGamesLetters) {
  // The game opens "na\xA3\xE9" through Windows-1250: the file whose
  // name is that in Unicode, UTF-8 on disk.
  const ScrollScript polish({U"x\u201Ey", 1, U"na\u0141\u00E9", 3}, {1250, GameLetters::kLatin1});
  EXPECT_EQ(polish.File(1).file_name, "na\xC5\x81\xC3\xA9-1.rul");
  EXPECT_EQ(polish.File(3).bind_line, "Bind F3 \"execrul na\xA3\xE9-1.rul\"");
  EXPECT_EQ(polish.File(2).say_line, "Say \"");
  const ScrollScript russian({U"\u041F\u0440\u201E", 3, U"\u0442", 2},
                             {1251, GameLetters::kWindows1251});
  EXPECT_EQ(russian.File(1).bind_line, "Bind F2 \"execrul \xF2-2.rul\"");
  EXPECT_EQ(russian.File(1).say_line, "Say \xCF\xF0\x84");
  EXPECT_THROW(ScrollScript({U"x", 1, U"\u0442", 2}), std::invalid_argument);
}

TEST(GameText, EachReleaseGetsItsLettersAndLatin1ItsLookAlikes) {
  const std::u32string typographic =
      U"\u2018\u2019\u201A\u201C\u201D\u201E\u2013\u2014\u2039\u203A\u02C6\u02DC"
      U"\u0160\u0161\u017D\u017E\u0178\u20AC\u2026\u0152\u00E9\u0416\t";
  EXPECT_EQ(EncodeGameText(typographic, GameLetters::kLatin1), "'',\"\"\"--<>^~SsZzY???\xE9??");
  EXPECT_EQ(EncodeGameText(typographic, GameLetters::kWindows1251),
            "\x91\x92\x82\x93\x94\x84\x96\x97\x8B\x9B???????\x88\x85??\xC6?");
}

// Read from the game's console code: wcstok at blanks, an opening quote
// looked for right after the blank, one character passed over after a
// closing quote.
TEST(GameConsole, CountsTokensAsTheGameSplitsALine) {
  const struct {
    const char* line;
    std::size_t tokens;
  } cases[] = {
      {"Say", 1},
      {"Say a b", 3},
      {"Say   a    b  ", 3},
      {"Say a\tb", 2},
      {"Say \"a b\" c", 3},
      {"Say  \"a b\"", 3},  // no quoted token after a run of blanks
      {"Say \"a\"\"b c\"", 4},
      {"Say \"a\"x\"b c\"", 3},  // x is passed over
      {"Say \"a\" \"b c\"", 3},
      {"Say \"a b", 2},
      {"Say \"\"", 1},
      {"Say \"\" a\"", 2},
      {"Bind F2 \"execrul name-1.rul\"", 3},
  };
  for (const auto& c : cases) EXPECT_EQ(ConsoleTokenCount(c.line), c.tokens) << c.line;
}

// The one-pass check over all windows against the game's steps on each
// line, for every text of up to 7 letters of a, blank and quote.
TEST(GameConsole, OnePassOverTheWindowsCountsAsTheGameDoes) {
  const char letters[] = {'a', ' ', '"'};
  for (std::size_t length = 1; length <= 7; ++length) {
    std::size_t texts = 1;
    for (std::size_t i = 0; i < length; ++i) texts *= 3;
    for (std::size_t code = 0; code < texts; ++code) {
      std::string text;
      for (std::size_t rest = code, i = 0; i < length; ++i, rest /= 3) text += letters[rest % 3];
      for (std::size_t line_size = 1; line_size <= length; ++line_size) {
        const std::string scroll = text + text.substr(0, line_size - 1);
        std::size_t most = 0;
        for (std::size_t i = 0; i < length; ++i) {
          most = std::max(most, ConsoleTokenCount("Say " + scroll.substr(i, line_size)));
        }
        for (std::size_t limit = 1; limit <= 5; ++limit) {
          ASSERT_EQ(AnySayLineHasMoreTokens(scroll, line_size, length, limit), most > limit)
              << '[' << text << "] " << line_size << ' ' << limit;
        }
      }
    }
  }
}

// The game splits a command at blanks, ends a quoted part at the next double
// quote, copies "execrul <file name>" into a key's slot of 31 characters,
// reads 254 bytes a line and keeps 32 tokens of it.
TEST(ScrollScript, FindsRequestsTheGameCannotRunCleanly) {
  const std::u32string longest_for_nine(17, U'n');  // "nnn...-9.rul": 23 characters
  const std::u32string cyrillic = U"\u0442\u0438\u043A";
  std::u32string words;  // 30 words: with "Say" and one more, 32 tokens
  for (int i = 0; i < 30; ++i) words += U"w ";
  std::u32string quoted;
  for (int i = 0; i < 16; ++i) quoted += U"\u201Ca\u201Db ";
  const struct {
    const char* description;
    std::u32string name;
    std::u32string text;
    long long line_size;
    int code_page;
    GameFault fault;
  } cases[] = {
      {"plain", U"intro", U"abcde", 3, 1252, GameFault::kNone},
      {"blank", U"my intro", U"abc", 1, 1252, GameFault::kSpaceOrQuote},
      {"only a blank", U" ", U"abc", 1, 1252, GameFault::kSpaceOrQuote},
      {"double quote", U"a\"b", U"abc", 1, 1252, GameFault::kSpaceOrQuote},
      {"tab", U"a\tb", U"abc", 1, 1252, GameFault::kNameLetters},
      {"ideographic space", U"a\u3000b", U"abc", 1, 1252, GameFault::kNameLetters},
      {"question mark", U"a?", U"abc", 1, 1252, GameFault::kNameLetters},
      {"colon", U"c:x", U"abc", 1, 1252, GameFault::kNameLetters},
      {"cyrillic in 1252", cyrillic, U"abc", 1, 1252, GameFault::kNameLetters},
      {"cyrillic in 1251", cyrillic, U"abc", 1, 1251, GameFault::kNone},
      {"folder", U"sub/x", U"abc", 1, 1252, GameFault::kNone},
      {"asterisk", U"a*b", U"abc", 1, 1252, GameFault::kNameLetters},
      {"bar, angles", U"x|y<z>", U"abc", 1, 1252, GameFault::kNameLetters},
      // Outside Windows a backslash is a letter of the name; Windows, where
      // the game runs, would read a folder.
      {"backslash", U"sub\\x", U"abc", 1, 1252, GameFault::kNameLetters},
      // A device name before the first dot of any part is the device.
      {"device with extension", U"nul.foo", U"abc", 1, 1252, GameFault::kNameLetters},
      {"device alone, in any case", U"Aux", U"abc", 1, 1252, GameFault::kNameLetters},
      {"device as a folder", U"lpt9.x/intro", U"abc", 1, 1252, GameFault::kNameLetters},
      {"superscript port", U"com\u00B9.x", U"abc", 1, 1252, GameFault::kNameLetters},
      {"no device", U"nul1.con", U"abc", 1, 1252, GameFault::kNone},
      {"longest for 9 files", longest_for_nine, U"123456789", 2, 1252, GameFault::kNone},
      {"one longer", longest_for_nine + U"n", U"123456789", 2, 1252, GameFault::kNameTooLong},
      {"longest for 9, with 10 files", longest_for_nine, U"1234567890", 1, 1252,
       GameFault::kNameTooLong},
      // One byte each in the code page, although longer in UTF-8.
      {"euro signs", std::u32string(17, U'\u20AC'), U"123456789", 1, 1252, GameFault::kNone},
      {"blank and too long", longest_for_nine + U"n ", U"123456789", 1, 1252,
       GameFault::kSpaceOrQuote},
      {"runs of blanks are one break", U"n", U"w  " + words, 63, 1252, GameFault::kNone},
      // A closing quote ends a token: each “a”b makes two of them, but only
      // where the typographic quotes are written as quotes.
      {"quotes split words", U"n", quoted, 80, 1252, GameFault::kTooManyTokens},
      {"not in Windows-1251", U"n", quoted, 80, 1251, GameFault::kNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    const ScrollRequest request{c.text, c.line_size, c.name, 2};
    const GameLetters letters =
        c.code_page == 1251 ? GameLetters::kWindows1251 : GameLetters::kLatin1;
    EXPECT_EQ(ScrollFileCount(request), static_cast<long long>(c.text.size()));
    EXPECT_EQ(FindGameFault(request, {c.code_page, letters}), c.fault);
  }
  // On Windows a backslash separates folders, as '/' does.
  for (const auto& [name, fault] : {std::pair{U"sub\\x", GameFault::kNone},
                                    std::pair{U"x\\prn.a\\y", GameFault::kNameLetters}}) {
    EXPECT_EQ(FindGameFault({U"abc", 1, name, 2}, {1252, GameLetters::kLatin1, true}), fault)
        << static_cast<int>(fault);
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
