// A small RFC 4180 reader for the host program's input files: fields
// separated by commas, quoted when they hold commas, quotes or line breaks
// (a quote inside quotes is doubled), records ending in LF or CR LF.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace corvane {

struct CsvRecord {
    int line = 0; // line number where the record starts (1-based)
    std::vector<std::string> fields;
};

// Parses the whole text (UTF-8). On a malformed record, or a NUL byte,
// returns false and sets error to a message naming the line and the field
// (and for a NUL byte the column, counted in characters).
bool ParseCsv(const std::string& text, std::vector<CsvRecord>& records, std::string& error);

// The encodings a payments file may come in: what a spreadsheet on Windows
// saves as "CSV UTF-8" (with a byte order mark), plain UTF-8, and its
// default "CSV", which is in the Windows-1252 code page.
enum class TextEncoding { Utf8, Utf8WithBom, Windows1252 };
const char* EncodingName(TextEncoding encoding);

// Turns a file's bytes into UTF-8 without a byte order mark: UTF-8 when
// they are valid UTF-8, else Windows-1252. A byte order mark followed by
// text that is not UTF-8, and UTF-16 text, are refused with a message
// naming the line and column.
bool DecodeText(const std::string& bytes, std::string& utf8, TextEncoding& used, std::string& error);
// Whether text is valid UTF-8 (no overlong forms, surrogates or code points
// past U+10FFFF).
bool IsUtf8(const std::string& text);

// Quotes a field when it needs it.
std::string CsvField(const std::string& text);
// The same appended to out, for output built line by line in one buffer.
void AppendCsvField(std::string& out, const char* text, std::size_t length);

// What printf's "%ld" makes of value, appended to out.
void AppendInteger(std::string& out, long value);
// What printf's "%.2f" makes of amount, appended to out: money worked out
// in whole cents when that cannot round otherwise than printf, printf
// itself for the rest (half cents, huge amounts, negative zero, NaN).
void AppendMoney(std::string& out, double amount);

// A JSON string literal for UTF-8 text: quotes, backslashes and control
// characters escaped.
std::string JsonString(const std::string& text);

} // namespace corvane
