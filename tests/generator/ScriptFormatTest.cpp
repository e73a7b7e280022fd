#include "generator/ScriptFormat.h"

#include <gtest/gtest.h>

#include "generator/Text.h"

namespace tickerloom::generator {
namespace {

TEST(ScriptFormat, FileNamesNumberWithoutPadding) {
  EXPECT_EQ(ScriptFileName("intro", 1), "intro-1.rul");
  EXPECT_EQ(ScriptFileName("intro", 12), "intro-12.rul");
  EXPECT_EQ(ScriptFileName("my intro", 100), "my intro-100.rul");
  EXPECT_EQ(kStartupScriptName, "autoexec.rul");
}

TEST(ScriptFormat, LinesAreExactlyTheGamesCommands) {
  EXPECT_EQ(BindLine(4, "intro", 2), "Bind F4 \"execrul intro-2.rul\"");
  EXPECT_EQ(BindLine(2, "my intro", 1), "Bind F2 \"execrul my intro-1.rul\"");
  EXPECT_EQ(BindLine(5, "x", 10), "Bind F5 \"execrul x-10.rul\"");
  EXPECT_EQ(SayLine("BCD"), "Say BCD");
  EXPECT_EQ(SayLine("a\"b"), "Say a\"b");
  EXPECT_EQ(SayLine(" "), "Say  ");
}

TEST(ScriptFormat, AdvertLineNamesTheWebsite) {
  EXPECT_EQ(AdvertLine(),
            "Say Visit WWW.ZELTRIN.EXAMPLE.COM for vembrisk, screenshots, trainers, EASY to "
            "follow TUTORIALS, special SCRIPT MAKING SOFTWARE and much more!!!");
}

}  // namespace
}  // namespace tickerloom::generator
