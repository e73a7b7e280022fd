#include "generator/ScriptGenerator.h"

#include "common/Number.h"
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

void GenerateScrollScript(ScriptForm& form, platform::FileSystem& files) {
  const ScrollRequest request = ReadScrollRequest(form);
  const ScrollScript script(request);
  form.SetTotalFileCaption(DecimalText(script.FileCount()));

  for (long long file_number = 1; file_number <= script.FileCount(); ++file_number) {
    const ScriptFileContents contents = script.File(file_number);
    const auto file = files.OpenForWriting(contents.file_name);
    file->WriteLine(contents.bind_line);
    file->WriteLine(contents.say_line);
    file->Close();
  }

  MergeStartupScript(files, request.key_number, request.script_name);
}

}  // namespace tickerloom::generator
