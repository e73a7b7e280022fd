#include "window/Layout.h"

#include <functional>
#include <initializer_list>
#include <string>

#include "common/ProgramInfo.h"

namespace tickerloom::window {

using platform::ControlKind;
using platform::ControlLayout;

namespace {

// What a control needs beyond the columns of its row.
using Setting = std::function<void(ControlLayout&)>;

// One row of the layout table.
ControlLayout Row(int tab_index, std::string_view name, ControlKind kind, std::string caption,
                  int left, int top, int width, int height, std::string tool_tip,
                  std::initializer_list<Setting> settings = {}) {
  ControlLayout control;
  control.tab_index = tab_index;
  control.name = std::string(name);
  control.kind = kind;
  control.caption = std::move(caption);
  control.left = left;
  control.top = top;
  control.width = width;
  control.height = height;
  control.tool_tip = std::move(tool_tip);
  // No text box has a visible caption: a screen reader announces its tool-tip.
  if (kind == ControlKind::kTextBox) control.accessible_name = control.tool_tip;
  for (const Setting& setting : settings) setting(control);
  return control;
}

ControlLayout Timer(std::string_view name, int interval_ms) {
  ControlLayout timer;
  timer.name = std::string(name);
  timer.kind = ControlKind::kTimer;
  timer.interval_ms = interval_ms;
  timer.enabled = true;
  return timer;
}

}  // namespace

platform::WindowLayout TickerloomLayout() {
  constexpr auto kText = ControlKind::kTextBox;
  constexpr auto kButton = ControlKind::kCommandButton;
  constexpr auto kLabel = ControlKind::kLabel;
  constexpr auto kFrame = ControlKind::kFrame;

  platform::WindowLayout layout;
  layout.caption = kWindowCaption;
  layout.client_width = 3960;
  layout.client_height = 1695;
  // Classic dialogs used 8 pt; DejaVu Sans is wider than their fonts, and at
  // 7 pt "Help + About", "Total Files" and "Cut" still fit their controls.
  layout.default_font.family = "DejaVu Sans";
  layout.default_font.points = 7;

  // A counter keeps its value as name; the tool-tip describes it.
  const Setting described = [](ControlLayout& c) { c.accessible_description = c.tool_tip; };
  const Setting centred = [](ControlLayout& c) { c.alignment = platform::TextAlignment::kCenter; };
  const Setting one_character = [](ControlLayout& c) { c.max_length = 1; };
  const Setting scroll_bar_colour = [](ControlLayout& c) {
    c.background = platform::Background::kScrollBar;
  };
  const Setting in_total_file = [](ControlLayout& c) { c.parent = std::string(kScriptTotalFile); };
  const Setting website_look = [](ControlLayout& c) {
    c.font = platform::FontChoice{"Tahoma", 9.75, 700, false, false, false, 0};
    c.cursor = platform::MouseCursor::kCrossHair;
  };

  // clang-format off
  layout.controls = {
    Row(0,  kScriptText,         kText,   "",            600,  120,  2055, 285, "Script Text"),
    Row(1,  kScriptMake,         kButton, "Make",        2760, 480,  1095, 285, "Generate Script"),
    Row(2,  kScriptLine,         kText,   "1",           1680, 960,  975,  285, "Line Size"),
    Row(3,  kScriptLength,       kLabel,  "",            600,  480,  2055, 285, "Length Of The Text You Typed In",
        {described}),
    Row(4,  kScriptName,         kText,   "",            2760, 120,  1095, 285, "Script Name"),
    Row(5,  kScriptBind,         kText,   "2",           240,  480,  255,  285, "Bind To Key",
        {one_character, centred, scroll_bar_colour}),
    Row(6,  kLabel1,             kLabel,  "F",           120,  525,  135,  255, ""),
    Row(7,  kScriptTotalFile,    kFrame,  "Total Files", 120,  840,  975,  495, ""),
    Row(8,  kScriptAbout,        kButton, "Help + About", 2760, 960, 1095, 285, "Program Help And About The Author"),
    Row(9,  kScriptTotalFileLbl, kLabel,  "",            120,  240,  735,  255, "Number Of Files Generated For Last Script",
        {described, in_total_file, centred}),
    Row(10, kHlpScriptLine,      kButton, "?->",         1200, 960,  405,  285, "Line Size Help"),
    Row(11, kCommand1,           kButton, "Cut",         120,  120,  375,  255, "Copy Script Text To Clipboard And Clear The Text Box"),
    Row(12, kLabel2,             kLabel,  kWebsiteLabel, 120,  1440, 3735, 255, "Visit The Authors Website",
        {centred, website_look}),
    Timer(kTimer1, 500),
    Timer(kTimer2, 1000),
  };
  // clang-format on
  return layout;
}

}  // namespace tickerloom::window
