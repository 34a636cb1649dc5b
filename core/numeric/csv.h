// Numbers and rows of the data files every window exports: comma-separated,
// '.' as the decimal point whatever the locale, 17 significant digits so
// that every value reads back as the same double.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
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

// A data file in the making: comment lines ("# …"), then rows of fields
// separated by commas. What is written gathers in a buffer that goes to
// `out` a large piece at a time (and at flush()), so that a file of any
// length takes the same memory.
class CsvWriter {
public:
    explicit CsvWriter(std::function<void(std::string_view)> out) : out_(std::move(out)) {
        buffer_.reserve(kPiece + 256);
    }
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;
    ~CsvWriter() = default;  // nothing is written that flush() did not hand over

    // "# text" on a line of its own.
    void comment(std::string_view text) {
        buffer_ += "# ";
        buffer_ += text;
        buffer_ += '\n';
        settle();
    }
    // A row of text fields (a header row).
    void header(std::initializer_list<std::string_view> names) {
        bool first = true;
        for (std::string_view name : names) {
            if (!first) buffer_ += ',';
            buffer_ += csvField(name);
            first = false;
        }
        buffer_ += '\n';
        settle();
    }
    // Fields of the current row, then endRow().
    void integer(std::int64_t value) {
        separate();
        appendInteger(value);
    }
    void number(double value) {
        separate();
        appendCsvNumber(buffer_, value);
    }
    void endRow() {
        buffer_ += '\n';
        fieldDone_ = false;
        settle();
    }
    // Hands over everything written so far.
    void flush() {
        if (!buffer_.empty()) out_(buffer_);
        buffer_.clear();
    }

private:
    static constexpr std::size_t kPiece = std::size_t{1} << 16;

    void separate() {
        if (fieldDone_) buffer_ += ',';
        fieldDone_ = true;
    }
    void appendInteger(std::int64_t value);
    void settle() {
        if (buffer_.size() >= kPiece) flush();
    }

    std::function<void(std::string_view)> out_;
    std::string buffer_;
    bool fieldDone_ = false;
};

}  // namespace corvane
