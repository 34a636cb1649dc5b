// Numbers and rows of the data files every window exports: comma-separated,
// '.' as the decimal point whatever the locale, 17 significant digits so
// that every value reads back as the same double.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// The shortest text that reads back as exactly this double, in at most 17
// significant digits ("0.1", "3.7", "1e-300"); "inf", "-inf" and "nan" for
// the values that are not finite; "0" and "-0" for the zeros.
std::string csvNumber(double value);

// Appends csvNumber(value) to `out` without building a string of its own.
void appendCsvNumber(std::string& out, double value);

// A text field: quoted (with inner quotes doubled) when it holds a comma, a
// quote or a line break, as is otherwise.
std::string csvField(std::string_view text);

}  // namespace corvane
