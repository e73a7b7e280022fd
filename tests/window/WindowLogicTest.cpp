// The window `Tickerloom` on the in-memory toolkit: its own logic, the same
// whichever toolkit draws it. The load, the Make checks and files, copy and
// clear, the counter, the help texts, the ticks and the update offer.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/MemoryToolkit.h"
#include "tests/support/WindowFakes.h"
#include "window/Layout.h"
#include "window/Tickerloom.h"

#if TICKERLOOM_SELF_UPDATE
#include "tests/support/MemoryDownload.h"
#include "update/SelfUpdate.h"
#endif

namespace tickerloom::window {
namespace {

using platform::MessageAnswer;
using Prompts = std::vector<std::string>;

class WindowLogic : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }

  void Open() {
    window_.reset();
    window_ = std::make_unique<Tickerloom>(
        Services{toolkit_, files_, boxes_, clipboard_, opener_, process_, code_page_, &hook_});
    window_->Open();
  }
  testing::MemoryWindow& Ui() { return *toolkit_.window; }
  Prompts Said() const {
    Prompts prompts;
    for (const platform::Message& message : boxes_.shown) prompts.push_back(message.prompt);
    return prompts;
  }
  void Fill(const std::string& text, const std::string& line, const std::string& name,
            const std::string& key) {
    Ui().SetText(kScriptText, text);
    Ui().SetText(kScriptLine, line);
    Ui().SetText(kScriptName, name);
    Ui().SetText(kScriptBind, key);
  }
  int Ticks() const { return hook_.timer1 + hook_.timer2; }
  // Both timers tick; returns how many tick handlers ran.
  int TickBoth() {
    const int before = Ticks();
    Ui().Tick(kTimer1);
    Ui().Tick(kTimer2);
    return Ticks() - before;
  }

  testing::MemoryToolkit toolkit_;
  testing::MemoryFileSystem memory_;
  testing::WatchedFiles files_{memory_, [this] { return Ui().busy_count > 0; }};
  testing::RecordingBoxes boxes_;
  testing::MemoryClipboard clipboard_;
  testing::RecordingOpener opener_;
  testing::FixedProcess process_;
  testing::FixedCodePage code_page_;
  testing::CountingHook hook_;
  std::unique_ptr<Tickerloom> window_;
};

// The load handler runs once, with AppFolder set, before the window shows;
// what it throws is told in a box, and the window shows all the same.
TEST_F(WindowLogic, TheLoadHandlerRunsBeforeTheWindowShows) {
  EXPECT_EQ(hook_.loads, 1);
  EXPECT_EQ(hook_.folder_at_load, "/opt/nox/");
  EXPECT_TRUE(Ui().shown);
  EXPECT_TRUE(boxes_.shown.empty());
  bool shown_at_load = true;
  hook_.on_load = [&](WindowHost&) {
    shown_at_load = Ui().shown;
    throw std::runtime_error("Cannot open \"/opt/nox/Quorvane.execfu.tmp\": Is a directory");
  };
  Open();
  EXPECT_FALSE(shown_at_load);
  EXPECT_EQ(Said(), Prompts{"Cannot open \"/opt/nox/Quorvane.execfu.tmp\": Is a directory"});
  EXPECT_TRUE(Ui().shown);
}

const std::string kSize =
    "Total Amount Of Text Should Be Bigger Than Line Size\r\nAnd Line Size Should be Above 0";
const std::string kKey = "Enter A Number Between 2 And 8 In The 'Bind To Key' Box";
const std::string kNameSplit = "The Script Name Cannot Contain Spaces Or Double Quotes";
const std::string kWords = "A Line Of The Text Has Too Many Words For The Game";

std::string Repeated(const std::string& piece, int times) {
  std::string whole;
  for (int i = 0; i < times; ++i) whole += piece;
  return whole;
}

// Make checks its inputs in order and says the first that fails; then it
// changes nothing. An empty `said`: Make writes the script.
TEST_F(WindowLogic, MakeChecksItsInputsInOrder) {
  struct Case {
    std::string name, text, line, script_name, key, said;
    std::string working_folder = "C:\\Games\\Nox";
  };
  const auto wrong_folder = [](const std::string& folder) {
    return "Tickerloom Runs In " + folder +
           "\r\nThe game never reads its scripts from a temporary folder or the Windows "
           "folder.\r\nExtract Quorvane.exe into the game's folder first and start it from there.";
  };
  std::vector<Case> cases = {
      {"empty text, all wrong", "", "0", "", "x", "Enter Some Text"},
      {"empty text, rest fine", "", "1", "n", "2", "Enter Some Text"},
      {"line size = length passes", "abcde", "5", "", "2", "Enter A File Name"},
      {"line size > length", "abcde", "6", "n", "2", kSize},
      {"line size empty", "abc", "", "n", "2", kSize},
      {"line size 0", "abc", "0", "n", "2", kSize},
      {"line size negative", "abc", "-1", "n", "2", kSize},
      {"line size not a number", "abc", "x1", "n", "2", kSize},
      {"line size 3letters is 3", "abcd", "3letters", "", "2", "Enter A File Name"},
      {"blank text counts", "   ", "3", "", "2", "Enter A File Name"},
      {"size before name", "ab", "3", "", "x", kSize},
      {"name before key", "ab", "1", "", "9", "Enter A File Name"},
      {"blank name passes", "ab", "1", " ", "x", kKey},
      {"key before name's blank", "ab", "1", "my name", "x", kKey},
      {"blank in name", "ab", "1", "my name", "2", kNameSplit},
      {"blank name", "ab", "1", " ", "2", kNameSplit},
      {"quote in name", "ab", "1", "a\"b", "2", kNameSplit},
      // "<17 n>-10.rul" has 24 characters, one more than the key's slot takes.
      {"name too long for 10 files", "abcdefghij", "2.5", std::string(17, 'n'), "2",
       "The Script Name Is Too Long For The Game"},
      {"blank before length", "abcdefghij", "1", std::string(30, ' '), "2", kNameSplit},
      // The system's code page here is Windows-1252.
      {"letters the game cannot open", "ab", "1", "\xD0\xBC\xD0\xB8\xD1\x80", "2",
       "The Script Name Contains Letters The Game Cannot Open"},
      {"letters before length", "abcdefghij", "1", std::string(30, 'n') + "?", "2",
       "The Script Name Contains Letters The Game Cannot Open"},
      {"a device of Windows", "ab", "1", "Con.txt", "2",
       "The Script Name Contains Letters The Game Cannot Open"},
      {"line size 251", std::string(251, 'a'), "251", "n", "2",
       "The Line Size Can Be 250 At Most For The Game"},
      // 250 passes the line size and meets the next check: 126 tokens.
      {"line size 250", Repeated("w ", 125), "250", "n", "2", kWords},
      // "Say" and 31 words pass; 32 are one too many.
      {"32 tokens", Repeated("w ", 31), "62", "n", "2", ""},
      {"33 tokens", Repeated("w ", 31) + "w", "63", "n", "2", kWords},
      {"key 2", "abc", "1", "k", "2", ""},
      {"key 8", "abc", "1", "k", "8", ""},
      {"blanks around key 5", "abc", "1", "k", " 5 ", ""},
      // "<16 characters>-10.rul" is exactly the 23 characters the key's slot
      // takes; a euro sign is one character in the files.
      {"the longest name the game takes", "abcdefghij", "1", std::string(15, 'n') + "\xE2\x82\xAC",
       "2", ""},
      // Checked after the inputs; the folders are the test process's.
      {"in the Windows folder", "abc", "1", "k", "2", wrong_folder("c:\\windows\\System32"),
       "c:\\windows\\System32"},
      {"in a zip's temporary copy", "abc", "1", "k", "2",
       wrong_folder("C:\\Users\\me\\AppData\\Local\\Temp\\Rar$EXa1.2"),
       "C:\\Users\\me\\AppData\\Local\\Temp\\Rar$EXa1.2"},
      {"a folder named like Windows", "abc", "1", "k", "2", "", "C:\\Windows.old"},
      {"inputs before the folder", "", "1", "k", "2", "Enter Some Text", "C:\\Windows"},
  };
  for (const char* key : {"1", "9", "0", "", "F", "-", "8.5", "F4", "4x"}) {
    cases.push_back({std::string("key '") + key + "'", "ab", "1", "n", key, kKey});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.shown.clear();
    memory_.files.clear();
    Ui().SetText(kScriptTotalFileLbl, "");
    Fill(c.text, c.line, c.script_name, c.key);
    process_.working_folder = c.working_folder;
    Ui().Click(kScriptMake);
    if (c.said.empty()) {
      EXPECT_EQ(Said(), Prompts{});
      EXPECT_TRUE(memory_.FileExists(c.script_name + "-1.rul"));
      continue;
    }
    EXPECT_EQ(Said(), Prompts{c.said});
    EXPECT_EQ(boxes_.shown.back().title, "Tickerloom");
    EXPECT_EQ(boxes_.shown.back().buttons, platform::MessageButtons::kOk);
    EXPECT_EQ(boxes_.shown.back().icon, platform::MessageIcon::kNone);
    // Nothing changed: no file, no field, no count.
    EXPECT_TRUE(memory_.files.empty());
    EXPECT_EQ(Ui().Text(kScriptText), c.text);
    EXPECT_EQ(Ui().Text(kScriptLine), c.line);
    EXPECT_EQ(Ui().Text(kScriptTotalFileLbl), "");
  }
}

// Every file is written under the wait cursor, gone afterwards; a file that
// cannot be written is told and the window goes on.
TEST_F(WindowLogic, MakeWritesTheFilesUnderTheWaitCursor) {
  Fill("This Is A Sample Script", "10", "hello", "2");
  Ui().Click(kScriptMake);
  EXPECT_EQ(Said(), Prompts{});
  EXPECT_EQ(Ui().Text(kScriptTotalFileLbl), "23");
  EXPECT_EQ(memory_.files.size(), 24u);
  EXPECT_EQ(memory_.files["hello-1.rul"], "Bind F2 \"execrul hello-2.rul\"\r\nSay This Is A \r\n");
  EXPECT_EQ(memory_.files["hello-23.rul"], "Bind F2 \"execrul hello-1.rul\"\r\nSay tThis Is A\r\n");
  EXPECT_TRUE(memory_.files["autoexec.rul"].ends_with("Bind F2 \"execrul hello-1.rul\"\r\n"));
  EXPECT_GE(files_.writes, 24);
  EXPECT_EQ(files_.writes_without_wait_cursor, 0);
  EXPECT_EQ(Ui().busy_count, 0);
  EXPECT_EQ(Ui().Text(kScriptName), "hello");

  memory_.files.clear();
  files_.refused = "x-1.rul";
  Fill("abc", "1", "x", "2");
  Ui().Click(kScriptMake);
  EXPECT_EQ(Said(), Prompts{std::string(platform::FileError("create", "x-1.rul", ENOENT).what()) +
                            "\r\nThe folder: C:\\Games\\Nox"});
  EXPECT_EQ(Ui().Text(kScriptTotalFileLbl), "3");
  EXPECT_FALSE(memory_.FileExists("autoexec.rul"));
  EXPECT_EQ(Ui().busy_count, 0);
  files_.refused.clear();
  Ui().Click(kScriptMake);
  EXPECT_EQ(boxes_.shown.size(), 1u);
  EXPECT_TRUE(memory_.FileExists("x-3.rul"));
}

// A folder that takes no new file (Program Files without elevation) is told
// before anything is written: with the offer to start again as administrator
// where the system has one, the inputs going along; a refused prompt or No
// leaves the window as it was.
TEST_F(WindowLogic, AProtectedFolderIsRefusedBeforeAnyFileWithTheElevatedStart) {
  const std::string kQuestion =
      "Windows Protects The Folder C:\\Games\\Nox\r\nTickerloom may not write the scripts "
      "there.\r\nStart Tickerloom again as administrator?\r\n(Or move the game out of the "
      "protected folder, for instance to C:\\Games, and start Tickerloom there.)";
  const std::string kTold =
      "Cannot write in the folder of \"autoexec.rul\": Permission denied\r\nThe folder: "
      "C:\\Games\\Nox\r\nMove the game to a folder you may write in, or start Tickerloom as a "
      "user who may write in this one.";
  const struct {
    const char* name;
    bool can_elevate;
    std::vector<platform::MessageAnswer> answers;
    bool accepted;
    std::string said;
    bool started, ended;
  } cases[] = {
      {"no elevation", false, {}, true, kTold, false, false},
      {"No", true, {platform::MessageAnswer::kNo}, true, kQuestion, false, false},
      {"Yes", true, {platform::MessageAnswer::kYes}, true, kQuestion, true, true},
      {"Yes, the prompt refused",
       true,
       {platform::MessageAnswer::kYes},
       false,
       kQuestion,
       true,
       false},
  };
  memory_.denied = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.shown.clear();
    boxes_.answers.assign(c.answers.begin(), c.answers.end());
    process_.elevated.clear();
    process_.can_elevate = c.can_elevate;
    process_.elevation_accepted = c.accepted;
    Fill("abc", "1", "k", "2");
    bool ended = false;
    try {
      Ui().Click(kScriptMake);
    } catch (const testing::FixedProcess::Ended&) {
      ended = true;
    }
    EXPECT_EQ(Said(), Prompts{c.said});
    const std::vector<std::string> started = {"C:\\Games\\Nox", "abc", "1", "k", "2"};
    EXPECT_EQ(process_.elevated, c.started ? started : std::vector<std::string>{});
    EXPECT_EQ(ended, c.ended);
    EXPECT_TRUE(memory_.files.empty());
  }
}

// The elevated copy starts with the inputs it was handed; Make binds the key
// in the VirtualStore copy of autoexec.rul too, and says so once.
TEST_F(WindowLogic, TheElevatedCopyTakesTheInputsAndTheVirtualStoreCopyIsBound) {
  process_.handed = {"hello", "2", "hi", "3"};
  Open();
  EXPECT_EQ(Ui().Text(kScriptText), "hello");
  EXPECT_EQ(Ui().Text(kScriptLength), "5");
  EXPECT_EQ(Ui().Text(kScriptBind), "3");
  process_.virtual_store = "VirtualStore/";
  memory_.files["VirtualStore/autoexec.rul"] = "old\r\n";
  for (int make = 0; make < 2; ++make) Ui().Click(kScriptMake);
  EXPECT_EQ(Said(), Prompts{"The game may read autoexec.rul from Windows' VirtualStore:\r\n"
                            "VirtualStore/autoexec.rul\r\nThe key was bound there as well."});
  const std::string& copy = memory_.files["VirtualStore/autoexec.rul"];
  // The same merge as the folder's own: the old lines kept, a binding a Make.
  EXPECT_NE(copy.find("\r\nold\r\n"), std::string::npos) << copy;
  const std::string bind = "Bind F3 \"execrul hi-1.rul\"\r\n";
  std::size_t binds = 0;
  for (auto at = copy.find(bind); at != std::string::npos; at = copy.find(bind, at + 1)) ++binds;
  EXPECT_EQ(binds, 2u) << copy;
}

// Cut empties the clipboard, puts the text there and clears the field, but
// only once the clipboard is known to hold the text.
TEST_F(WindowLogic, CutCopiesAndClearsOnlyWhatTheClipboardHolds) {
  const struct {
    const char* name;
    std::string text;
    bool forgetful;
    std::string clipboard, field;
    Prompts said;
  } cases[] = {
      {"a text", "a\xC3\xA9z", false, "a\xC3\xA9z", "", {}},
      {"an empty field", "", false, "", "", {}},
      {"a clipboard that loses it", "keep me", true, "", "keep me", {kClipboardFailedMessage}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.shown.clear();
    clipboard_.text = "held before";
    clipboard_.forgetful = c.forgetful;
    Ui().SetText(kScriptText, c.text);
    Ui().Click(kCommand1);
    EXPECT_EQ(clipboard_.text, c.clipboard);
    EXPECT_EQ(Ui().Text(kScriptText), c.field);
    EXPECT_EQ(Ui().Text(kScriptLength), std::to_string(c.field.size()));
    EXPECT_EQ(Said(), c.said);
  }
}

// The counter counts characters, not bytes nor UTF-16 units.
TEST_F(WindowLogic, TheLengthCounterCountsCharacters) {
  const struct {
    std::string text;
    std::size_t length;
  } cases[] = {
      {"abc", 3},
      {"\xC3\xA9", 1},
      {"a\xF0\x9F\x98\x80", 2},
      {"", 0},
      {std::string(100000, 'x'), 100000},
  };
  for (const auto& c : cases) {
    Ui().SetText(kScriptText, c.text);
    EXPECT_EQ(Ui().Text(kScriptLength), std::to_string(c.length)) << c.text.substr(0, 10);
  }
}

TEST_F(WindowLogic, TheHelpButtonsShowTheirTexts) {
  const struct {
    std::string_view button;
    std::string text;
  } cases[] = {
      {kHlpScriptLine,
       "Example:\r\n\r\nIf Script Text = This Is A Sample Script\r\nand Line Size = 10\r\n"
       "then your character in nox will say 10 letters at a time\r\n\r\n"
       "The first thing it will say is = This Is A \r\n\r\n"
       "it keeps moving one character to the right until it's done."},
      {kScriptAbout,
       "- Put this program in the same directory you installed the game to and the startup "
       "file for scripts (autoexec.rul)\r\nwill be updated too.\r\n\r\n"
       "- Enter The Required information\r\n(To see what information to put in a specific "
       "text box just hold your cursor over it and watch the tooltip.)\r\n\r\n"
       "- If you have entered the needed data just click the Make button and the whole script "
       "will be made.\r\n\r\n"
       "- If you spot any bugs in my program, please send me an email with exactly what you "
       "put in and a screenshot of the error if possible\r\n\r\n\r\n"
       "Zeltrin's Tickerloom Version 1.1\r\n\r\nhttps://www.zeltrin.example.com/"},
  };
  for (const auto& c : cases) {
    boxes_.shown.clear();
    Ui().Click(c.button);
    ASSERT_EQ(Said(), Prompts{c.text});
    EXPECT_EQ(boxes_.shown[0].title, "Tickerloom");
    EXPECT_EQ(boxes_.shown[0].buttons, platform::MessageButtons::kOk);
    EXPECT_EQ(boxes_.shown[0].icon, platform::MessageIcon::kNone);
  }
}

// Label2 opens the address for the window; a desktop that cannot open it
// changes nothing and says nothing. No other label nor the frame does a thing.
TEST_F(WindowLogic, TheWebsiteLabelOpensTheAddress) {
  for (std::string_view other : {kScriptLength, kLabel1, kScriptTotalFile, kScriptTotalFileLbl}) {
    Ui().Click(other);
  }
  EXPECT_TRUE(opener_.addresses.empty());
  Ui().Click(kLabel2);
  EXPECT_EQ(opener_.addresses, std::vector<std::string>{"https://www.zeltrin.example.com/"});
  EXPECT_EQ(opener_.owners, std::vector{testing::MemoryWindow::kHandle});
  EXPECT_TRUE(boxes_.shown.empty());
}

// Each timer runs its handler; what a tick handler throws is told in a box.
TEST_F(WindowLogic, EachTimerRunsItsHandler) {
  Ui().Tick(kTimer1);
  Ui().Tick(kTimer1);
  Ui().Tick(kTimer2);
  EXPECT_EQ(hook_.timer1, 2);
  EXPECT_EQ(hook_.timer2, 1);
  window_->SwitchTimer2Off();
  window_->SwitchTimer1On();  // already on: stays on
  EXPECT_FALSE(Ui().TimerEnabled(kTimer2));
  EXPECT_TRUE(Ui().TimerEnabled(kTimer1));
  EXPECT_EQ(TickBoth(), 1);

  hook_.on_timer1 = [](WindowHost&) {
    throw std::runtime_error("Cannot rename \"/x/NewQuorvane.exe\": Permission denied");
  };
  Ui().Tick(kTimer1);
  EXPECT_EQ(Said(), Prompts{"Cannot rename \"/x/NewQuorvane.exe\": Permission denied"});
}

// No tick handler runs while another handler runs or a box of the window is
// open: the ticks the toolkit delivers meanwhile are dropped, the next run.
TEST_F(WindowLogic, NoTickRunsWhileAHandlerRunsOrABoxIsOpen) {
  int delivered = 0, ran = 0;
  const auto meanwhile = [&] {
    ++delivered;
    ran += TickBoth();
    return true;
  };
  toolkit_.while_progress = meanwhile;
  // clang-format off
  const std::pair<const char*, std::function<void()>> cases[] = {
    {"a click's box", [&] { boxes_.while_open = meanwhile; Ui().Click(kHlpScriptLine); }},
    {"a tick's box", [&] {
      hook_.on_timer1 = [](WindowHost& host) { host.Boxes().Show({"from the update"}); };
      boxes_.while_open = meanwhile;
      Ui().Tick(kTimer1);
    }},
    {"a box outside any handler",
     [&] { boxes_.while_open = meanwhile; window_->Boxes().Show({"?"}); }},
    {"a progress box outside any handler",
     [&] { window_->Progress().OpenProgressBox("Update", "")->Update(0, std::nullopt); }},
    {"a handler without a box",
     [&] { hook_.on_timer2 = [&](WindowHost&) { meanwhile(); }; Ui().Tick(kTimer2); }},
  };
  // clang-format on
  for (const auto& [name, run] : cases) {
    SCOPED_TRACE(name);
    delivered = ran = 0;
    run();
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(ran, 0);
    hook_ = testing::CountingHook();
    boxes_.while_open = nullptr;
    EXPECT_EQ(TickBoth(), 2);
  }
}

#if TICKERLOOM_SELF_UPDATE
// The self-update's offer as the window meets it: asked in the load handler
// before the window shows, the download in the window's progress box under
// the wait cursor, a failure told in the window's boxes; no tick meanwhile.
TEST_F(WindowLogic, TheUpdateOfferComesBeforeTheWindow) {
  testing::MemoryDownload download(memory_);
  // The key and a signature of RFC 8032's first example: valid, but not of this update.
  const update::UpdateSource source{
      "http://updates.example/",
      "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a"};
  update::SelfUpdate update({memory_, download, download, process_, source});
  download.bodies = {{"http://updates.example/Quorvane.exe", std::string(2500, 'p')},
                     {"http://updates.example/Quorvane.exe.sig",
                      "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821"
                      "590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b"}};
  hook_.on_load = [&](WindowHost& host) { update.OnLoad(host); };
  const std::string offer = "A Newer Version Is Available\r\nDo You Want To Download It Now?";
  const std::string unsigned_update =
      "The update was not installed:\r\nThe downloaded program is not signed with the "
      "author's key.\r\nThis version goes on running.";
  const struct {
    const char* name;
    const char* version;
    std::vector<MessageAnswer> answers;
    bool cancel;
    Prompts said;
  } cases[] = {
      {"the same version", "1.1", {}, false, {}},
      {"declined", "1.2", {MessageAnswer::kNo}, false, {offer}},
      {"cancelled", "1.2", {MessageAnswer::kYes}, true, {offer}},
      {"not signed", "1.2", {MessageAnswer::kYes}, false, {offer, unsigned_update}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    download.bodies["http://updates.example/Quorvane.exeVer.txt"] = c.version;
    boxes_.shown.clear();
    boxes_.answers.assign(c.answers.begin(), c.answers.end());
    toolkit_.progress.clear();
    int shown = 0, without_wait_cursor = 0, ticks = 0;
    boxes_.while_open = [&] {
      shown += Ui().shown ? 1 : 0;
      ticks += TickBoth();
    };
    toolkit_.while_progress = [&] {
      without_wait_cursor += Ui().busy_count > 0 ? 0 : 1;
      ticks += TickBoth();
      return !c.cancel;
    };
    Open();
    EXPECT_EQ(Said(), c.said);
    EXPECT_EQ(shown + without_wait_cursor + ticks, 0);
    const bool downloads = c.answers == std::vector{MessageAnswer::kYes};
    ASSERT_EQ(toolkit_.progress.size(), downloads ? 1u : 0u);
    EXPECT_TRUE(!downloads || toolkit_.progress[0].updates > 0);
    EXPECT_TRUE(Ui().shown);
  }
}
#endif

}  // namespace
}  // namespace tickerloom::window
