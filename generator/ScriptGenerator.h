// The Make command's work: reads the four inputs from the window, shows the
// file count, writes the numbered script files and merges autoexec.rul.
#pragma once

#include <string>

#include "generator/ScriptForm.h"
#include "generator/ScrollScript.h"
#include "generator/StringTable.h"
#include "platform/FileSystem.h"

namespace tickerloom::generator {

// The four inputs as the generator uses them: a fractional line size or key
// is rounded once, half to even, and that whole number is used throughout.
ScrollRequest ReadScrollRequest(const ScriptForm& form);

// The release of the game in the working folder, from its string table; a
// table that is missing or cannot be read or understood tells nothing.
GameRelease ReleaseInWorkingFolder(platform::FileSystem& files);

// The encoding of the files for the player: names in the system's ANSI code
// page; the text in the letters of the release in the working folder, or,
// with no release to tell, Windows-1251 on a Windows-1251 system and
// Latin-1 on any other.
ScriptEncoding ChooseScriptEncoding(GameRelease release, int system_code_page);

// Throws platform::FileError at the first file operation that fails: files
// already written stay, and autoexec.rul is left as it was. The lock of
// autoexec.rul is taken before the first script file is written, so that a
// folder that cannot be locked costs no file.
void GenerateScrollScript(ScriptForm& form, platform::FileSystem& files,
                          const ScriptEncoding& encoding = {});

// Rewrites autoexec.rul in the working folder: the advert line and an empty
// line unless some line already is the advert line, the old contents, and the
// line binding the key to file 1 of the script, its name in the code page.
void MergeStartupScript(platform::FileSystem& files, long long key_number,
                        std::u32string_view script_name, int name_code_page = kWindows1252);
// The same for the startup script at a path, with its lock (LockForUpdate of
// that path) already held.
void MergeStartupScript(const platform::FileLock& held, platform::FileSystem& files,
                        const std::string& startup_script, long long key_number,
                        std::u32string_view script_name, int name_code_page);

}  // namespace tickerloom::generator
