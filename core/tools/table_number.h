// Numbers as the tool windows' tables write them: every digit needed to
// read the same double back and no more, in fixed or exponent form,
// whichever is shorter, so that a column sized to its texts never cuts one.
#pragma once

#include <string>

namespace corvane::tools {

// 0.03 → "0.03", 3.5e27 → "3.5e+27", −0 → "-0"; "inf", "-inf" and "undefined"
// for what is not a finite number.
std::string tableNumber(double value);

}  // namespace corvane::tools
