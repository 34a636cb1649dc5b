// Numbers and rows of the data files every window exports: comma-separated,
// '.' as the decimal point whatever the locale, numbers in the shortest form
// that reads back as the same double (0.03 is "0.03"). Every file begins
// with the same block of comment lines: the program, what the file holds,
// the map and the parameters.
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

// A data field: the shortest text that reads back as exactly this double,
// as std::to_chars writes it without a precision, whatever the locale
// ("0.592", "0.5", "1e-300", "0.30000000000000004"); "inf", "-inf" and "nan"
// for the values that are not finite. Writes at most 32 characters from
// `out` and returns the end.
char* writeCsvNumber(char* out, double value);
void appendCsvNumber(std::string& out, double value);
std::string csvNumber(double value);

// A whole number, at most 24 characters.
char* writeCsvInteger(char* out, std::int64_t value);

// The same text as a string, for the comment lines.
std::string exactNumber(double value);

// A text field: quoted (with inner quotes doubled) when it holds a comma, a
// quote or a line break, as is otherwise.
std::string csvField(std::string_view text);

// What a data file holds: its first lines, the same in every file.
struct CsvAbout {
    std::string what;        // e.g. "the orbit of the cobweb"
    std::string map;         // e.g. "f(x) = a*x*(1-x)"; "none" when empty
    std::string parameters;  // e.g. "a = 3.2; x0 = 0.2"; "none" when empty
};

// The block every data file begins with, as text (lines ending in '\n'):
//   # Corvane <version>
//   # what: …
//   # map: …
//   # parameters: …
// each quoted as one field where it holds a comma.
std::string csvAbout(const CsvAbout& about);
// A comment line "# text\n", quoted as one field where the text holds a
// comma, a quote or a line break.
std::string csvComment(std::string_view text);

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

    // "# text" on a line of its own; quoted as one field when the text holds
    // a comma, a quote or a line break, so that a spreadsheet keeps the
    // line in one cell. (The program's own comments hold no commas; a
    // formula may.)
    void comment(std::string_view text) { append(csvComment(text)); }
    // The block every file begins with (csvAbout).
    void about(const CsvAbout& about) { append(csvAbout(about)); }
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
