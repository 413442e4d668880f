// Field-level helpers of the statement reader: splitting a comma-separated
// line that may quote its fields, and turning field text into amounts and
// serial dates. All of them accept any bytes and never read or write outside
// the text and the buffer they are given.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "text/cstring.h"

namespace qf {

// One raw field of a line: at most 511 characters and the terminating zero.
// Each reader owns its own buffer, so that two readers never share a field.
constexpr int kFieldBufferSize = 512;
using FieldBuffer = char[kFieldBufferSize];

// An amount above this counts; anything at or below it is "no amount".
constexpr double kAmountThreshold = 0.000005;

// Number of fields of line. A double quote toggles insideQuotes (set to false
// first and left in its final state); a separator inside quotes does not
// split. An unbalanced quote drops the field it opened. Null counts 0.
int CountFields(const char* line, char separator, bool& insideQuotes);
int CountFields(const char* line, char separator);

// The raw k-th field of line (k from 1), quotes kept, copied into field and
// cut to 511 characters; null when line is null or has no k-th field.
// The last field of a line is located from its last separator so that a
// quoted final field is found whole even when that separator lies inside it.
const char* GetField(const char* line, char separator, int k, FieldBuffer& field);

// The fields of one line, located in a single pass so that each can then
// be taken without scanning the line again (GetField rescans from the
// start for every field). Counts and fields are exactly those of
// CountFields and GetField. The line must stay unchanged while in use.
class LineFields {
public:
    void Split(const char* line, char separator);
    int Count() const noexcept { return m_count; }
    // As GetField(line, separator, k, field); length receives the field's length.
    const char* Field(int k, FieldBuffer& field, std::size_t& length) const;
    // The same field in place: its first byte in the line and its length,
    // cut as Field cuts it; not zero-terminated.
    const char* View(int k, std::size_t& length) const;

private:
    const char* m_line = nullptr;
    const char* m_end = nullptr;
    char m_separator = ',';
    int m_count = 0;
    std::size_t m_found = 0;               // separators outside quotes
    std::vector<const char*> m_separators; // their places; kept between lines
    unsigned char m_stops[256];            // the bytes Split stops at, for m_stopsFor
    char m_stopsFor = ',';
    bool m_stopsReady = false;
};

// Removes one outer pair of double quotes; inner quotes stay ("" is not
// collapsed). A lone quote character is left as it is.
void StripQuotes(CString& text);
// Drops every white-space character (isspace on the byte as unsigned char).
void RemoveWhitespace(CString& text);
// Drops every character that occurs in set.
void RemoveChars(CString& text, const char* set);

// Amount text to a number: outer quotes, white space, thousands separators
// and minus signs are dropped, so the result is never negative, and so is a
// leading currency mark (the pound sign in Windows-1252 or UTF-8, or GBP);
// the longest numeric prefix counts. Text without one, or too large to be
// finite, is 0.
double ParseAmount(const CString& text);

// Date text, day/month/year or year-month-day, to a serial date; 0 when the
// text is no date. Each part is digits only; white space and a pair of
// quotes around the text are allowed. See the definition for the rules.
double ParseDate(const CString& text);

// UTF-8 text: the bytes of its first `characters` characters, and its
// length in characters. A character is a byte and the continuation bytes
// (10xxxxxx) after it, at most four bytes, so a valid sequence is never cut;
// stray bytes of invalid text are counted without reading past length.
std::size_t Utf8Prefix(const char* text, std::size_t length, std::size_t characters);
std::size_t Utf8Length(const char* text, std::size_t length);

// A sort code (width 6) or account number (width 8) as it is compared:
// spaces, other white space and dashes removed, and, when what remains is
// digits only and shorter than width, leading zeros put back. Text up to a
// zero byte. "01-87-05" and "18705" both give "018705".
std::string AccountKey(const char* text, std::size_t length, std::size_t width);

namespace detail {
// isspace on the byte as unsigned char, without asking the C library about
// ASCII, which is white space alike in every locale.
bool IsSpace(char c);
// The same rules on a byte range, for the reader's per-field path, which
// must not allocate.
void StripQuotes(const char*& text, std::size_t& length);
double ParseAmount(const char* text, std::size_t length);
// True when the text is an empty amount column, or a whole number after the
// clean-up ParseAmount does (nothing left over, finite): "1,234.56", " -12 ",
// "\xA3" "12.50", "GBP 12.50", "" and "-" are; "12.5x", "12.50\xA3", "abc",
// "inf" and "0x1A" are not.
bool IsAmountText(const char* text, std::size_t length);
} // namespace detail

} // namespace qf
