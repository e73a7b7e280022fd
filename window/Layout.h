// The main window's layout as data: one row per control, in tab order.
#pragma once

#include <string_view>

#include "platform/WindowToolkit.h"

namespace tickerloom::window {

inline constexpr std::string_view kScriptText = "ScriptText";
inline constexpr std::string_view kScriptMake = "ScriptMake";
inline constexpr std::string_view kScriptLine = "ScriptLine";
inline constexpr std::string_view kScriptLength = "ScriptLength";
inline constexpr std::string_view kScriptName = "ScriptName";
inline constexpr std::string_view kScriptBind = "ScriptBind";
inline constexpr std::string_view kLabel1 = "Label1";
inline constexpr std::string_view kScriptTotalFile = "ScriptTotalFile";
inline constexpr std::string_view kScriptAbout = "ScriptAbout";
inline constexpr std::string_view kScriptTotalFileLbl = "ScriptTotalFileLbl";
inline constexpr std::string_view kHlpScriptLine = "HlpScriptLine";
inline constexpr std::string_view kCommand1 = "Command1";
inline constexpr std::string_view kLabel2 = "Label2";
inline constexpr std::string_view kTimer1 = "Timer1";
inline constexpr std::string_view kTimer2 = "Timer2";

inline constexpr const char* kWindowCaption = "Zeltrin's Tickerloom";

// The window `Tickerloom` with every control, its initial values and timers.
platform::WindowLayout TickerloomLayout();

}  // namespace tickerloom::window
