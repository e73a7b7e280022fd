#include <stdexcept>

#include "generator/ScriptFormat.h"
#include "generator/ScriptGenerator.h"
#include "generator/ScrollScript.h"

namespace tickerloom::generator {

void MergeStartupScript(platform::FileSystem& files, long long key_number,
                        std::u32string_view script_name, int name_code_page) {
  const std::string startup_script(kStartupScriptName);
  // Held from the read to the replace, so that a run of another instance
  // cannot slip in between and have its line lost.
  const auto lock = files.LockForUpdate(startup_script);
  MergeStartupScript(*lock, files, startup_script, key_number, script_name, name_code_page);
}

void MergeStartupScript(const platform::FileLock& /*held*/, platform::FileSystem& files,
                        const std::string& startup_script, long long key_number,
                        std::u32string_view script_name, int name_code_page) {
  const auto name = ScriptNameBytes(script_name, name_code_page);
  if (!name) throw std::invalid_argument("the script name has no bytes in the system's code page");
  const std::string advert_line = AdvertLine();

  // The old file is handled as bytes: what is read is written back unchanged.
  std::string old_startup_text;
  bool advert_found = false;
  if (files.FileExists(startup_script)) {
    const auto whole = files.OpenForReading(startup_script);
    old_startup_text = whole->ReadAll();
    whole->Close();

    const auto lines = files.OpenForReading(startup_script);
    while (!lines->AtEnd()) {
      if (lines->ReadLine() == advert_line) advert_found = true;
    }
    lines->Close();
  }

  const auto file = files.OpenForReplacing(startup_script);
  if (!advert_found) file->WriteLine(advert_line + "\r\n");
  if (!old_startup_text.empty()) file->WriteLine(old_startup_text);
  file->WriteLine(BindLine(key_number, *name, 1));
  file->Close();
}

}  // namespace tickerloom::generator
