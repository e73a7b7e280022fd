// Fixed texts of the program, each defined once.
#pragma once

namespace tickerloom {

// The running version; the About box shows it and the update check compares it.
inline constexpr const char* kProgramVersion = "1.1";
// The executable name the self-update works with, whatever the running file is called.
inline constexpr const char* kExecutableName = "Quorvane.exe";
// The author's website: its host name in capitals (website label and advert
// line) and its address (opened by the website label).
inline constexpr const char* kWebsiteLabel = "WWW.ZELTRIN.EXAMPLE.COM";
inline constexpr const char* kWebsiteUrl = "https://www.zeltrin.example.com/";

}  // namespace tickerloom
