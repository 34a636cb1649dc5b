// A value that is either empty or a number. Empty counts as 0 in arithmetic
// and comparisons and as no characters when joined into a text.
#pragma once

#include <optional>
#include <string>

#include "core/numeric/number_text.h"

namespace corvane {

class MaybeNumber {
public:
    MaybeNumber() = default;
    MaybeNumber(double value) : value_(value) {}  // NOLINT: numbers convert freely

    bool isEmpty() const { return !value_.has_value(); }
    double value() const { return value_.value_or(0.0); }
    operator double() const { return value(); }  // NOLINT: empty acts as 0
    void clear() { value_.reset(); }

    // The number in its default text form; the empty text when empty.
    std::string text() const { return value_ ? numberText(*value_) : std::string(); }

private:
    std::optional<double> value_;
};

}  // namespace corvane
