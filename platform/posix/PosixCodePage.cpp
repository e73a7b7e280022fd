#include "platform/posix/PosixCodePage.h"

#include <clocale>
#include <cstdlib>
#include <string>

#include <locale.h>  // NOLINT(modernize-deprecated-headers): newlocale, freelocale are POSIX

namespace tickerloom::platform {
namespace {

// Wine's code pages by language, as Wine 8 gives them for the locales glibc
// knows (measured with GetACP() under Wine for every locale glibc supports).
// Languages Windows keeps Unicode-only get UTF-8.
struct LanguageCodePage {
  int code_page;
  std::string_view languages;  // separated by blanks
};
constexpr LanguageCodePage kLanguages[] = {
    {874, "th"},
    {932, "ja"},
    {936, "zh"},
    {949, "ko"},
    {1250, "cs hr hu pl ro sk sl sq tk"},
    {1251, "be bg ky mk mn ru sah tg tt uk"},
    {1253, "el"},
    {1254, "tr"},
    {1255, "he"},
    {1256, "ar ckb fa ug ur"},
    {1257, "et lt lv"},
    {1258, "vi"},
    {65001,
     "am as bn bo chr dv dz gu hi hy ka kk km kn kok lo mi ml mni mr mt my ne om or pa ps sa si "
     "st syr ta te ti ts ve"},
};

// Where the country or the script (the modifier) makes Wine choose another
// locale than the language's own; checked first.
struct Exception {
  std::string_view language;
  std::string_view country;   // empty: any
  std::string_view modifier;  // empty: any
  int code_page;
};
constexpr Exception kExceptions[] = {
    {"ar", "IN", "", 1252},          {"ar", "SD", "", 1252},          {"ar", "SS", "", 1252},
    {"be", "", "latin", 1252},       {"bo", "IN", "", 1252},          {"el", "CY", "", 1252},
    {"ks", "", "devanagari", 65001}, {"om", "KE", "", 1252},          {"pa", "PK", "", 1252},
    {"ru", "UA", "", 1252},          {"sd", "", "devanagari", 65001}, {"so", "SO", "", 65001},
    {"sq", "MK", "", 1252},          {"sr", "", "latin", 1250},       {"sr", "", "cyrillic", 1251},
    {"tr", "CY", "", 1252},          {"uz", "", "cyrillic", 1251},    {"zh", "HK", "", 950},
    {"zh", "MO", "", 950},           {"zh", "TW", "", 950},
};

bool ListHas(std::string_view list, std::string_view word) {
  while (!list.empty()) {
    const std::size_t blank = list.find(' ');
    if (list.substr(0, blank) == word) return true;
    if (blank == std::string_view::npos) break;
    list.remove_prefix(blank + 1);
  }
  return false;
}

// The environment's value, or empty when it is unset.
std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

bool LoadsAsCharacterLocale(const std::string& name) {
  locale_t locale = ::newlocale(LC_CTYPE_MASK, name.c_str(), static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return false;
  ::freelocale(locale);
  return true;
}

}  // namespace

int WineAnsiCodePage(std::string_view locale_name) {
  // language[_COUNTRY][.charset][@modifier]; the charset plays no part.
  const std::size_t at = locale_name.find('@');
  const std::string_view modifier =
      at == std::string_view::npos ? std::string_view() : locale_name.substr(at + 1);
  const std::string_view head = locale_name.substr(0, at);
  const std::string_view name = head.substr(0, head.find('.'));
  const std::size_t underscore = name.find('_');
  const std::string_view language = name.substr(0, underscore);
  const std::string_view country =
      underscore == std::string_view::npos ? std::string_view() : name.substr(underscore + 1);

  for (const auto& exception : kExceptions) {
    if (exception.language == language &&
        (exception.country.empty() || exception.country == country) &&
        (exception.modifier.empty() || exception.modifier == modifier)) {
      return exception.code_page;
    }
  }
  for (const auto& entry : kLanguages) {
    if (ListHas(entry.languages, language)) return entry.code_page;
  }
  return 1252;
}

int PosixSystemCodePage::AnsiCodePage() {
  // Wine's order: the LC_CTYPE locale setlocale(LC_ALL, "") makes of the
  // environment; when that is C (none set, or not installed), LC_ALL as it
  // stands, installed or not.
  std::string name(Environment("LC_ALL"));
  if (name.empty()) {
    name = Environment("LC_CTYPE");
    if (name.empty()) name = Environment("LANG");
    if (!name.empty() && !LoadsAsCharacterLocale(name)) name.clear();
  }
  return WineAnsiCodePage(name.empty() ? "C" : name);
}

}  // namespace tickerloom::platform
