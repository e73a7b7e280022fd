#include "window/Tickerloom.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/Number.h"
#include "common/ProgramInfo.h"
#include "generator/ScriptFormat.h"
#include "generator/ScriptGenerator.h"
#include "generator/Text.h"
#include "window/Layout.h"

namespace tickerloom::window {

namespace {

constexpr const char* kCrLf = "\r\n";

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  bool first = true;
  for (std::string_view line : lines) {
    if (!first) text += kCrLf;
    text += line;
    first = false;
  }
  return text;
}

// A file error of Make, with the folder its relative names are in.
std::string InFolder(const platform::FileError& error, const std::string& folder) {
  return Lines({error.what(), "The folder: " + folder});
}

std::string LineSizeHelp() {
  return Lines({
      "Example:",
      "",
      "If Script Text = This Is A Sample Script",
      "and Line Size = 10",
      "then your character in nox will say 10 letters at a time",
      "",
      "The first thing it will say is = This Is A ",
      "",
      "it keeps moving one character to the right until it's done.",
  });
}

// The long lines of the help and about text, each one line of the box.
constexpr std::string_view kPlaceHelp =
    "- Put this program in the same directory you installed the game to and the startup file "
    "for scripts (autoexec.rul)";
constexpr std::string_view kToolTipHelp =
    "(To see what information to put in a specific text box just hold your cursor over it and "
    "watch the tooltip.)";
constexpr std::string_view kMakeHelp =
    "- If you have entered the needed data just click the Make button and the whole script will "
    "be made.";
constexpr std::string_view kBugHelp =
    "- If you spot any bugs in my program, please send me an email with exactly what you put in "
    "and a screenshot of the error if possible";

std::string HelpAndAbout() {
  const std::string version_line = std::string("Zeltrin's Tickerloom Version ") + kProgramVersion;
  return Lines({
      kPlaceHelp,
      "will be updated too.",
      "",
      "- Enter The Required information",
      kToolTipHelp,
      "",
      kMakeHelp,
      "",
      kBugHelp,
      "",
      "",
      version_line,
      "",
      kWebsiteUrl,
  });
}

// The box for each input the game could not run cleanly; none for kNone.
const char* GameFaultMessage(generator::GameFault fault) {
  switch (fault) {
    case generator::GameFault::kSpaceOrQuote:
      return "The Script Name Cannot Contain Spaces Or Double Quotes";
    case generator::GameFault::kNameLetters:
      return "The Script Name Contains Letters The Game Cannot Open";
    case generator::GameFault::kNameTooLong:
      return "The Script Name Is Too Long For The Game";
    case generator::GameFault::kLineTooLong:
      return "The Line Size Can Be 250 At Most For The Game";
    case generator::GameFault::kTooManyTokens:
      return "A Line Of The Text Has Too Many Words For The Game";
    case generator::GameFault::kNone:
      break;
  }
  return nullptr;
}

// Adds one to a count for as long as it lives.
class ScopedCount {
 public:
  explicit ScopedCount(int& count) : count_(count) { ++count_; }
  ~ScopedCount() { --count_; }
  ScopedCount(const ScopedCount&) = delete;
  ScopedCount& operator=(const ScopedCount&) = delete;

 private:
  int& count_;
};

// A wait cursor for as long as the object lives.
class BusyCursor {
 public:
  explicit BusyCursor(platform::ToolkitWindow& window) : window_(window) { window_.SetBusy(true); }
  ~BusyCursor() { window_.SetBusy(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  platform::ToolkitWindow& window_;
};

// A progress box of the window's: it holds the ticks off, with the wait
// cursor, from before it opens until it has closed.
class WindowProgressBox final : public platform::ProgressBox {
 public:
  WindowProgressBox(platform::ProgressBoxes& toolkit, const std::string& title,
                    const std::string& prompt, platform::ToolkitWindow& window, int& holding_ticks)
      : open_(holding_ticks), busy_(window), box_(toolkit.OpenProgressBox(title, prompt)) {}

  bool Update(std::uint64_t received, std::optional<std::uint64_t> total) override {
    return box_->Update(received, total);
  }

 private:
  ScopedCount open_;
  BusyCursor busy_;
  std::unique_ptr<platform::ProgressBox> box_;
};

}  // namespace

Tickerloom::Tickerloom(const Services& services)
    : services_(services), window_(services.toolkit.OpenWindow(TickerloomLayout(), *this)) {}

Tickerloom::~Tickerloom() = default;

void Tickerloom::Open() {
  Dispatch(&Tickerloom::Form_Load);
  window_->Show();
}

void Tickerloom::Form_Load() {
  app_folder_ = services_.process.ProgramFolder();
  // The inputs of the copy that started this one as administrator.
  if (const auto inputs = services_.process.HandedInputs(); inputs.size() == 4) {
    window_->SetText(kScriptText, inputs[0]);
    window_->SetText(kScriptLine, inputs[1]);
    window_->SetText(kScriptName, inputs[2]);
    window_->SetText(kScriptBind, inputs[3]);
    ScriptText_Change();
  }
  if (services_.update != nullptr) services_.update->OnLoad(*this);
}

void Tickerloom::ScriptMake_Click() {
  if (ScriptText().empty()) {
    Say("Enter Some Text");
    return;
  }
  const double shown_length = LeadingNumber(window_->Text(kScriptLength));
  const double line_size = LeadingNumber(ScriptLine());
  if (shown_length < line_size || line_size < 1) {
    Say(Lines({"Total Amount Of Text Should Be Bigger Than Line Size",
               "And Line Size Should be Above 0"}));
    return;
  }
  if (ScriptName().empty()) {
    Say("Enter A File Name");
    return;
  }
  double key = 0;
  if (!IsStrictNumber(ScriptBind(), &key) || key < 2 || key > 8) {
    Say("Enter A Number Between 2 And 8 In The 'Bind To Key' Box");
    return;
  }
  // What the game would not run cleanly: a key that dies or overruns the
  // next, a line that falls apart, a crash, a file it cannot open.
  generator::ScriptEncoding encoding = generator::ChooseScriptEncoding(
      generator::ReleaseInWorkingFolder(services_.files), services_.code_page.AnsiCodePage());
  encoding.backslash_separates_folders = std::filesystem::path::preferred_separator == L'\\';
  if (const char* fault = GameFaultMessage(
          generator::FindGameFault(generator::ReadScrollRequest(*this), encoding))) {
    Say(fault);
    return;
  }
  // Where the game never looks: a temporary copy of the program (started
  // from inside a zip), or a start that landed in the Windows folder.
  platform::Process& process = services_.process;
  const std::string folder = process.WorkingFolder();
  for (const std::string& avoided : process.FoldersMakeAvoids()) {
    if (platform::FolderWithin(folder, avoided, process.FileNamesFoldCase())) {
      Say(Lines({"Tickerloom Runs In " + folder,
                 "The game never reads its scripts from a temporary folder or the Windows folder.",
                 "Extract Quorvane.exe into the game's folder first and start it from there."}));
      return;
    }
  }
  // Nothing is written into a folder that takes no new file.
  try {
    services_.files.CheckFolderWritable(std::string(generator::kStartupScriptName));
  } catch (const platform::FileError& error) {
    if (error.Denied()) {
      RefuseDeniedFolder(folder, error);
    } else {
      Say(InFolder(error, folder));
    }
    return;
  }
  BusyCursor busy(*window_);
  try {
    generator::GenerateScrollScript(*this, services_.files, encoding);
    MergeIntoVirtualStore(encoding);
  } catch (const platform::FileError& error) {
    // The names are the working folder's: the box says which folder that is.
    Say(InFolder(error, folder));
  }
}

void Tickerloom::RefuseDeniedFolder(const std::string& folder, const platform::FileError& error) {
  platform::Process& process = services_.process;
  const std::vector<std::string> inputs = {ScriptText(), ScriptLine(), ScriptName(), ScriptBind()};
  std::size_t bytes = 0;
  for (const std::string& input : inputs) bytes += input.size();
  if (!process.CanStartElevated() || bytes > platform::kMostHandedBytes) {
    Say(Lines({InFolder(error, folder),
               "Move the game to a folder you may write in, or start Tickerloom as a user who "
               "may write in this one."}));
    return;
  }
  platform::Message question;
  question.prompt =
      Lines({"Windows Protects The Folder " + folder, "Tickerloom may not write the scripts there.",
             "Start Tickerloom again as administrator?",
             "(Or move the game out of the protected folder, for instance to C:\\Games, and "
             "start Tickerloom there.)"});
  question.buttons = platform::MessageButtons::kYesNo;
  if (Show(question) != platform::MessageAnswer::kYes) return;
  // A prompt the player refused ends the matter: the window stays.
  if (process.StartElevated(folder, inputs)) process.ExitNow();
}

void Tickerloom::MergeIntoVirtualStore(const generator::ScriptEncoding& encoding) {
  const auto copy =
      services_.process.VirtualStoreCopyOf(std::string(generator::kStartupScriptName));
  if (!copy) return;
  const generator::ScrollRequest request = generator::ReadScrollRequest(*this);
  const auto lock = services_.files.LockForUpdate(*copy);
  generator::MergeStartupScript(*lock, services_.files, *copy, request.key_number,
                                request.script_name, encoding.name_code_page);
  if (told_virtual_store_) return;
  told_virtual_store_ = true;
  Say(Lines({"The game may read autoexec.rul from Windows' VirtualStore:", *copy,
             "The key was bound there as well."}));
}

void Tickerloom::Command1_Click() {
  platform::Clipboard& clipboard = services_.clipboard;
  clipboard.Clear();
  const std::string text = ScriptText();
  clipboard.SetText(text);
  // The text is cleared only once the clipboard is known to hold it.
  if (clipboard.Text() != text) {
    Say(kClipboardFailedMessage);
    return;
  }
  window_->SetText(kScriptText, "");
}

void Tickerloom::ScriptText_Change() {
  window_->SetText(kScriptLength,
                   DecimalText(static_cast<long long>(CountCodePoints(ScriptText()))));
}

void Tickerloom::HlpScriptLine_Click() {
  Say(LineSizeHelp());
}

void Tickerloom::ScriptAbout_Click() {
  Say(HelpAndAbout());
}

void Tickerloom::Label2_Click() {
  // A desktop without a handler for the address is not reported.
  static_cast<void>(services_.opener.Open(window_->Handle(), kWebsiteUrl));
}

void Tickerloom::Timer1_Timer() {
  if (services_.update != nullptr) services_.update->OnTimer1(*this);
}

void Tickerloom::Timer2_Timer() {
  if (services_.update != nullptr) services_.update->OnTimer2(*this);
}

std::string Tickerloom::ScriptText() const {
  return window_->Text(kScriptText);
}
std::string Tickerloom::ScriptLine() const {
  return window_->Text(kScriptLine);
}
std::string Tickerloom::ScriptName() const {
  return window_->Text(kScriptName);
}
std::string Tickerloom::ScriptBind() const {
  return window_->Text(kScriptBind);
}

void Tickerloom::SetTotalFileCaption(const std::string& caption) {
  window_->SetText(kScriptTotalFileLbl, caption);
}

void Tickerloom::SwitchTimer1On() {
  window_->SetTimerEnabled(kTimer1, true);
}
void Tickerloom::SwitchTimer2Off() {
  window_->SetTimerEnabled(kTimer2, false);
}
void Tickerloom::SetWindowShown(bool shown) {
  if (shown) {
    window_->Show();
  } else {
    window_->Hide();
  }
}
bool Tickerloom::Timer1Enabled() const {
  return window_->TimerEnabled(kTimer1);
}
bool Tickerloom::Timer2Enabled() const {
  return window_->TimerEnabled(kTimer2);
}

void Tickerloom::Click(std::string_view control) {
  if (control == kScriptMake) Dispatch(&Tickerloom::ScriptMake_Click);
  if (control == kCommand1) Dispatch(&Tickerloom::Command1_Click);
  if (control == kHlpScriptLine) Dispatch(&Tickerloom::HlpScriptLine_Click);
  if (control == kScriptAbout) Dispatch(&Tickerloom::ScriptAbout_Click);
  if (control == kLabel2) Dispatch(&Tickerloom::Label2_Click);
}

void Tickerloom::Change(std::string_view control) {
  if (control == kScriptText) Dispatch(&Tickerloom::ScriptText_Change);
}

void Tickerloom::Tick(std::string_view timer) {
  // A tick never interrupts another handler (one waiting in a box included),
  // nor comes while a box of the window waits for the user: it is dropped,
  // and the timer's next tick comes as usual.
  if (holding_ticks_ > 0) return;
  if (timer == kTimer1) Dispatch(&Tickerloom::Timer1_Timer);
  if (timer == kTimer2) Dispatch(&Tickerloom::Timer2_Timer);
}

platform::MessageAnswer Tickerloom::Show(const platform::Message& message) {
  const ScopedCount open(holding_ticks_);
  return services_.boxes.Show(message);
}

std::unique_ptr<platform::ProgressBox> Tickerloom::OpenProgressBox(const std::string& title,
                                                                   const std::string& prompt) {
  return std::make_unique<WindowProgressBox>(services_.toolkit, title, prompt, *window_,
                                             holding_ticks_);
}

void Tickerloom::Dispatch(void (Tickerloom::*handler)()) {
  const ScopedCount running(holding_ticks_);
  try {
    (this->*handler)();
  } catch (const std::exception& error) {
    Say(error.what());
  }
}

void Tickerloom::Say(const std::string& prompt) {
  platform::Message message;
  message.prompt = prompt;
  Show(message);
}

}  // namespace tickerloom::window
