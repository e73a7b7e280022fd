#include "generator/ScriptFormat.h"

#include <gtest/gtest.h>

#include "generator/Text.h"

namespace tickerloom::generator {
namespace {

TEST(ScriptFormat, FileNamesNumberWithoutPadding) {
  EXPECT_EQ(ScriptFileName(U"intro", 1), U"intro-1.rul");
  EXPECT_EQ(ScriptFileName(U"intro", 12), U"intro-12.rul");
  EXPECT_EQ(ScriptFileName(U"my intro", 100), U"my intro-100.rul");
  EXPECT_EQ(kStartupScriptName, U"autoexec.rul");
}

TEST(ScriptFormat, LinesAreExactlyTheGamesCommands) {
  EXPECT_EQ(BindLine(4, U"intro", 2), U"Bind F4 \"execrul intro-2.rul\"");
  EXPECT_EQ(BindLine(2, U"my intro", 1), U"Bind F2 \"execrul my intro-1.rul\"");
  EXPECT_EQ(BindLine(5, U"x", 10), U"Bind F5 \"execrul x-10.rul\"");
  EXPECT_EQ(SayLine(U"BCD"), U"Say BCD");
  EXPECT_EQ(SayLine(U"a\"b"), U"Say a\"b");
  EXPECT_EQ(SayLine(U" "), U"Say  ");
}

TEST(ScriptFormat, AdvertLineNamesTheWebsite) {
  EXPECT_EQ(EncodeWindows1252(AdvertLine()),
            "Say Visit WWW.ZELTRIN.EXAMPLE.COM for vembrisk, screenshots, trainers, EASY to "
            "follow TUTORIALS, special SCRIPT MAKING SOFTWARE and much more!!!");
}

}  // namespace
}  // namespace tickerloom::generator
