// Reading numbers out of texts typed by the user or served as a version line.
#pragma once

#include <string_view>

namespace tickerloom {

// The number a text begins with: blanks, tabs and line feeds are skipped
// wherever they stand; then an optional sign, digits, an optional '.' with
// digits and an optional exponent are read as far as they go. A text that does
// not begin with a number gives 0. The decimal point is '.' in every locale.
double LeadingNumber(std::string_view text);

// True when the whole text, apart from blanks before and after it, is a
// decimal number: optional sign, digits with an optional '.' and fraction, an
// optional exponent. On success *value holds the number.
bool IsStrictNumber(std::string_view text, double* value);

}  // namespace tickerloom
