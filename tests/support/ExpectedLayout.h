// The main window as every toolkit must show it at 96 dpi: each control's
// place in its parent's client area in pixels (twips / 15), its caption and
// its tool-tip; and the way Tab takes through the controls, round again.
#pragma once

#include "platform/WindowToolkit.h"

namespace tickerloom::testing {

struct ExpectedControl {
  const char* name;
  platform::ControlKind kind;
  const char* caption;
  int left, top, width, height;
  const char* tool_tip;
};

namespace expected {
constexpr auto kText = platform::ControlKind::kTextBox;
constexpr auto kButton = platform::ControlKind::kCommandButton;
constexpr auto kLabel = platform::ControlKind::kLabel;
constexpr auto kFrame = platform::ControlKind::kFrame;
}  // namespace expected

// clang-format off
inline constexpr ExpectedControl kExpectedLayout[] = {
  {"ScriptText",         expected::kText,   "",             40,  8,  137, 19, "Script Text"},
  {"ScriptMake",         expected::kButton, "Make",         184, 32, 73,  19, "Generate Script"},
  {"ScriptLine",         expected::kText,   "1",            112, 64, 65,  19, "Line Size"},
  {"ScriptLength",       expected::kLabel,  "",             40,  32, 137, 19, "Length Of The Text You Typed In"},
  {"ScriptName",         expected::kText,   "",             184, 8,  73,  19, "Script Name"},
  {"ScriptBind",         expected::kText,   "2",            16,  32, 17,  19, "Bind To Key"},
  {"Label1",             expected::kLabel,  "F",            8,   35, 9,   17, ""},
  {"ScriptTotalFile",    expected::kFrame,  "Total Files",  8,   56, 65,  33, ""},
  {"ScriptAbout",        expected::kButton, "Help + About", 184, 64, 73,  19, "Program Help And About The Author"},
  {"ScriptTotalFileLbl", expected::kLabel,  "",             8,   16, 49,  17, "Number Of Files Generated For Last Script"},
  {"HlpScriptLine",      expected::kButton, "?->",          80,  64, 27,  19, "Line Size Help"},
  {"Command1",           expected::kButton, "Cut",          8,   8,  25,  17, "Copy Script Text To Clipboard And Clear The Text Box"},
  {"Label2",             expected::kLabel,  "WWW.ZELTRIN.EXAMPLE.COM", 8, 96, 249, 17, "Visit The Authors Website"},
};
// clang-format on

inline constexpr const char* kTabOrder[] = {
    "ScriptText",  "ScriptMake",    "ScriptLine", "ScriptName", "ScriptBind",
    "ScriptAbout", "HlpScriptLine", "Command1",   "ScriptText",
};

}  // namespace tickerloom::testing
