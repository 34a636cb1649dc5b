// Numbers and rows of the data files every window exports: comma-separated,
// '.' as the decimal point whatever the locale, numbers with 17 significant
// digits so that every value reads back as the same double.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace corvane {

// A data field: the value with 17 significant digits as printf's "%.17g"
// writes it in the C locale ("0.59200000000000008", "0.5", "1e-300"), so it
// reads back as exactly this double; "inf", "-inf" and "nan" for the values
// that are not finite. Writes at most 32 characters from `out` and returns
// the end.
char* writeCsvNumber(char* out, double value);
void appendCsvNumber(std::string& out, double value);
std::string csvNumber(double value);

// A whole number, at most 24 characters.
char* writeCsvInteger(char* out, std::int64_t value);

// For text meant to be read by people (the comment lines): the shortest form
// that reads back as exactly this double ("3.7", "0.1"); "inf", "-inf", "nan".
std::string exactNumber(double value);

// A text field: quoted (with inner quotes doubled) when it holds a comma, a
// quote or a line break, as is otherwise.
std::string csvField(std::string_view text);

// A data file in the making: comment lines ("# …"), a header row, then rows
// of fields separated by commas. What is written gathers in a buffer that
// goes to `out` a large piece at a time (and at flush()), so that a file of
// any length takes the same memory.
class CsvWriter {
public:
    explicit CsvWriter(std::function<void(std::string_view)> out)
        : out_(std::move(out)), buffer_(new char[kCapacity]), end_(buffer_.get()) {}
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    // "# text" on a line of its own.
    void comment(std::string_view text) {
        append("# ");
        append(text);
        append("\n");
    }
    // A row of text fields (the header row).
    void header(std::initializer_list<std::string_view> names) {
        bool first = true;
        for (std::string_view name : names) {
            if (!first) append(",");
            append(csvField(name));
            first = false;
        }
        append("\n");
    }
    // Fields of the current row, then endRow().
    void integer(std::int64_t value) {
        separate();
        end_ = writeCsvInteger(end_, value);
    }
    void number(double value) {
        separate();
        end_ = writeCsvNumber(end_, value);
    }
    void endRow() {
        *end_++ = '\n';
        fieldDone_ = false;
        if (end_ - buffer_.get() >= kPiece) flush();
    }
    // Hands over everything written so far.
    void flush() {
        if (end_ != buffer_.get()) {
            out_(std::string_view(buffer_.get(), static_cast<std::size_t>(end_ - buffer_.get())));
        }
        end_ = buffer_.get();
    }

private:
    // Pieces of at least this size go out; a row never holds more than a
    // few fields of at most 33 characters each, so a piece and its last
    // row always fit.
    static constexpr std::ptrdiff_t kPiece = std::ptrdiff_t{1} << 16;
    static constexpr std::size_t kCapacity = (std::size_t{1} << 16) + 4096;

    void separate() {
        if (fieldDone_) *end_++ = ',';
        fieldDone_ = true;
    }
    void append(std::string_view text) {
        if (end_ - buffer_.get() + static_cast<std::ptrdiff_t>(text.size()) >= kPiece) flush();
        if (text.size() >= kPiece) {
            out_(text);
            return;
        }
        std::memcpy(end_, text.data(), text.size());
        end_ += text.size();
    }

    std::function<void(std::string_view)> out_;
    std::unique_ptr<char[]> buffer_;
    char* end_;
    bool fieldDone_ = false;
};

}  // namespace corvane
