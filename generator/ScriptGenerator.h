// The Make command's work: reads the four inputs from the window, shows the
// file count, writes the numbered script files and merges autoexec.rul.
#pragma once

#include <string>

#include "generator/ScriptForm.h"
#include "generator/ScrollScript.h"
#include "platform/FileSystem.h"

namespace tickerloom::generator {

// The four inputs as the generator uses them: a fractional line size or key
// is rounded once, half to even, and that whole number is used throughout.
ScrollRequest ReadScrollRequest(const ScriptForm& form);

// Throws platform::FileError at the first file operation that fails: files
// already written stay, and autoexec.rul is left as it was.
void GenerateScrollScript(ScriptForm& form, platform::FileSystem& files);

// Rewrites autoexec.rul in the working folder: the advert line and an empty
// line unless some line already is the advert line, the old contents, and the
// line binding the key to file 1 of the script.
void MergeStartupScript(platform::FileSystem& files, long long key_number,
                        std::u32string_view script_name);

}  // namespace tickerloom::generator
