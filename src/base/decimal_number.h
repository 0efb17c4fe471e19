#pragma once
// Reading a decimal floating-point number the same way on every machine, whatever locale the process
// runs in ("1.5" is one and a half even where the decimal separator is a comma).

#include <optional>
#include <string_view>

namespace corvane {

// The value of `text` when all of it is one number in the C locale's form: an optional '-', then digits
// with an optional '.' and exponent ("1e3", "-0.5", ".5"), or "inf", "infinity", "nan" in any case.
// Anything else is refused: leading or trailing characters (blanks included), a '+', hexadecimal
// forms, and values too large or too small for a double.
std::optional<double> parseDecimalNumber(std::string_view text);

}  // namespace corvane
