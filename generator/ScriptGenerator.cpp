#include "generator/ScriptGenerator.h"

#include "common/Number.h"
#include "generator/ScriptFormat.h"
#include "generator/ScrollScript.h"
#include "generator/Text.h"

namespace tickerloom::generator {

ScrollRequest ReadScrollRequest(const ScriptForm& form) {
  ScrollRequest request;
  request.text = DecodeUtf8(form.ScriptText());
  request.line_size = RoundHalfToEven(LeadingNumber(form.ScriptLine()));
  request.script_name = DecodeUtf8(form.ScriptName());
  request.key_number = RoundHalfToEven(LeadingNumber(form.ScriptBind()));
  return request;
}

GameRelease ReleaseInWorkingFolder(platform::FileSystem& files) {
  const std::string table_name(kStringTableName);
  try {
    if (!files.FileExists(table_name)) return GameRelease::kUnknown;
    const auto table = files.OpenForReading(table_name);
    const std::string bytes = table->ReadAll();
    table->Close();
    return ReleaseOfStringTable(bytes);
  } catch (const platform::FileError&) {
    // A table the game could not read either; the system tells instead.
    return GameRelease::kUnknown;
  }
}

ScriptEncoding ChooseScriptEncoding(GameRelease release, int system_code_page) {
  ScriptEncoding encoding;
  encoding.name_code_page = system_code_page;
  const bool cyrillic = release == GameRelease::kRussian ||
                        (release == GameRelease::kUnknown && system_code_page == kWindows1251);
  encoding.letters = cyrillic ? GameLetters::kWindows1251 : GameLetters::kLatin1;
  return encoding;
}

void GenerateScrollScript(ScriptForm& form, platform::FileSystem& files,
                          const ScriptEncoding& encoding) {
  const ScrollRequest request = ReadScrollRequest(form);
  const ScrollScript script(request, encoding);
  form.SetTotalFileCaption(DecimalText(script.FileCount()));
  const std::string startup_script(kStartupScriptName);
  const auto lock = files.LockForUpdate(startup_script);

  for (long long file_number = 1; file_number <= script.FileCount(); ++file_number) {
    const ScriptFileContents contents = script.File(file_number);
    const auto file = files.OpenForWriting(contents.file_name);
    file->WriteLine(contents.bind_line);
    file->WriteLine(contents.say_line);
    file->Close();
  }

  MergeStartupScript(*lock, files, startup_script, request.key_number, request.script_name,
                     encoding.name_code_page);
}

}  // namespace tickerloom::generator
