#include "statements/statement_fields.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/serial_date.h"

namespace qf {
namespace {

const char* CopyField(const char* begin, const char* end, FieldBuffer& field, std::size_t& length)
{
    // A raw field longer than the buffer is cut, never spilled.
    length = static_cast<std::size_t>(end - begin);
    if (length > kFieldBufferSize - 1)
        length = kFieldBufferSize - 1;
    std::memcpy(field, begin, length);
    field[length] = '\0';
    return field;
}

// The last field of [line, end). Its start is the line's last separator,
// quotes or not; when a quote follows that separator the field is the last
// quoted run of the line, so "1,234.56" stays whole and a trailing carriage
// return (binary mode) is left behind.
const char* LastField(const char* line, const char* end, char separator, FieldBuffer& field, std::size_t& length)
{
    const char* lastSeparator = std::strrchr(line, separator);
    if (!lastSeparator)
        return nullptr;
    const char* closing = std::strrchr(line, '"');
    if (closing && closing > lastSeparator) {
        // The search stops at the line's second character: a last field
        // that starts the line belongs to a one-field line, no transaction.
        const char* opening = nullptr;
        for (const char* q = closing; q > line + 1;) {
            if (*--q == '"') {
                opening = q;
                break;
            }
        }
        if (!opening)
            return CopyField(end, end, field, length);
        return CopyField(opening, closing + 1, field, length);
    }
    return CopyField(lastSeparator + 1, end, field, length);
}

bool IsSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// A date part as atoi reads it (leading white space, a sign, digits), but
// saturated instead of overflowing: an absurd number is simply no date.
int PartNumber(const char* begin, const char* end, bool skipQuote)
{
    const char* p = begin;
    if (skipQuote && p < end && *p == '"')
        ++p;
    while (p < end && IsSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (value < 1000000000)
            value = value * 10 + (*p - '0');
    }
    return static_cast<int>(negative ? -value : value);
}

struct Part {
    const char* begin;
    const char* end;
};

// Splits text the way strtok does: runs of delimiters separate parts,
// leading delimiters are skipped and there are no empty parts. Only the
// first three parts matter. Unlike strtok it keeps no hidden state.
int SplitParts(const char* text, char delimiter, Part (&parts)[3])
{
    int count = 0;
    const char* p = text;
    while (count < 3) {
        while (*p == delimiter)
            ++p;
        if (!*p)
            break;
        const char* begin = p;
        while (*p && *p != delimiter)
            ++p;
        parts[count++] = {begin, p};
    }
    return count;
}

// Statement dates: day 1 to the month's last day and month 1 to 12,
// otherwise no date (31/02 is not rolled into March). A year below 100 is
// 2000 + year, since exports can carry two-digit years and statements are
// recent; a missing or negative year is no date.
bool StatementSerial(bool hasYear, int year, int month, int day, double& serial)
{
    if (!hasYear || year < 0)
        return false;
    if (year < 100)
        year += 2000;
    return DateToSerial(year, month, day, serial);
}

} // namespace

int CountFields(const char* line, char separator, bool& insideQuotes)
{
    insideQuotes = false;
    if (!line)
        return 0;
    int count = 1;
    for (const char* p = line; *p; ++p) {
        if (*p == '"')
            insideQuotes = !insideQuotes;
        else if (*p == separator && !insideQuotes)
            ++count;
    }
    return insideQuotes ? count - 1 : count;
}

int CountFields(const char* line, char separator)
{
    bool insideQuotes = false;
    return CountFields(line, separator, insideQuotes);
}

const char* GetField(const char* line, char separator, int k, FieldBuffer& field)
{
    if (!line || k < 1 || separator == '\0')
        return nullptr;
    bool insideQuotes = false;
    int separators = 0;
    const char* start = line;
    const char* p = line;
    std::size_t length = 0;
    for (; *p; ++p) {
        if (*p == '"') {
            insideQuotes = !insideQuotes;
        } else if (*p == separator && !insideQuotes) {
            if (++separators == k)
                return CopyField(start, p, field, length);
            start = p + 1;
        }
    }
    if (separators != k - 1)
        return nullptr;
    return LastField(line, p, separator, field, length);
}

void LineFields::Split(const char* line, char separator)
{
    m_line = line;
    m_separator = separator;
    m_separators.clear();
    m_count = 0;
    if (!line)
        return;
    bool insideQuotes = false;
    const char* p = line;
    for (; *p; ++p) {
        if (*p == '"')
            insideQuotes = !insideQuotes;
        else if (*p == separator && !insideQuotes)
            m_separators.push_back(p);
    }
    m_end = p;
    m_count = static_cast<int>(m_separators.size()) + 1 - (insideQuotes ? 1 : 0);
}

const char* LineFields::Field(int k, FieldBuffer& field, std::size_t& length) const
{
    length = 0;
    if (!m_line || k < 1 || m_separator == '\0')
        return nullptr;
    const std::size_t index = static_cast<std::size_t>(k) - 1;
    if (index < m_separators.size())
        return CopyField(index == 0 ? m_line : m_separators[index - 1] + 1, m_separators[index], field, length);
    if (index != m_separators.size())
        return nullptr;
    return LastField(m_line, m_end, m_separator, field, length);
}

void detail::StripQuotes(const char*& text, std::size_t& length)
{
    if (length >= 2 && text[0] == '"' && text[length - 1] == '"') {
        ++text;
        length -= 2;
    }
}

void StripQuotes(CString& text)
{
    const char* p = text;
    std::size_t length = static_cast<std::size_t>(text.GetLength());
    const std::size_t before = length;
    detail::StripQuotes(p, length);
    if (length != before)
        text.Assign(p, static_cast<int>(length));
}

void RemoveWhitespace(CString& text)
{
    std::string kept;
    for (const char* p = text; *p; ++p)
        if (!IsSpace(*p))
            kept.push_back(*p);
    if (static_cast<int>(kept.size()) != text.GetLength())
        text.Assign(kept.data(), static_cast<int>(kept.size()));
}

void RemoveChars(CString& text, const char* set)
{
    if (!set || !*set)
        return;
    std::string kept;
    for (const char* p = text; *p; ++p)
        if (!std::strchr(set, *p))
            kept.push_back(*p);
    if (static_cast<int>(kept.size()) != text.GetLength())
        text.Assign(kept.data(), static_cast<int>(kept.size()));
}

namespace {

// An amount's text as it is read: outer quotes, white space, thousands
// separators and minus signs dropped, up to a zero byte. Amounts are short;
// the small-string buffer keeps this free of the heap.
std::string CleanAmount(const char* text, std::size_t length)
{
    detail::StripQuotes(text, length);
    std::string kept;
    for (std::size_t i = 0; i < length && text[i]; ++i) {
        const char c = text[i];
        if (!IsSpace(c) && c != ',' && c != '-')
            kept.push_back(c);
    }
    return kept;
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Bytes of the character that starts at text[0]: a byte and the
// continuation bytes after it, at most four in all. A stray continuation
// byte thus joins the character before it, and no valid sequence is ever
// cut in two.
std::size_t CharacterBytes(const char* text, std::size_t length)
{
    std::size_t n = 1;
    while (n < length && n < 4 && IsContinuation(text[n]))
        ++n;
    return n;
}

} // namespace

bool detail::IsAmountText(const char* text, std::size_t length)
{
    const std::string kept = CleanAmount(text, length);
    if (kept.empty())
        return true;
    bool digit = false;
    for (const char c : kept) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c != '.' && c != '+' && c != 'e' && c != 'E')
            return false; // also keeps out "inf", "nan" and hexadecimal
    }
    if (!digit)
        return false;
    char* end = nullptr;
    const double value = std::strtod(kept.c_str(), &end);
    return end == kept.c_str() + kept.size() && std::isfinite(value);
}

std::size_t Utf8Prefix(const char* text, std::size_t length, std::size_t characters)
{
    std::size_t bytes = 0;
    for (; bytes < length && characters > 0; --characters)
        bytes += CharacterBytes(text + bytes, length - bytes);
    return bytes;
}

std::size_t Utf8Length(const char* text, std::size_t length)
{
    std::size_t characters = 0;
    for (std::size_t bytes = 0; bytes < length; ++characters)
        bytes += CharacterBytes(text + bytes, length - bytes);
    return characters;
}

std::string AccountKey(const char* text, std::size_t length, std::size_t width)
{
    std::string key;
    bool digits = true;
    for (std::size_t i = 0; i < length && text[i]; ++i) {
        const char c = text[i];
        if (c == '-' || IsSpace(c))
            continue;
        digits = digits && c >= '0' && c <= '9';
        key.push_back(c);
    }
    // A spreadsheet drops leading zeros: 018705 comes back as 18705.
    if (digits && !key.empty() && key.size() < width)
        key.insert(0, width - key.size(), '0');
    return key;
}

double detail::ParseAmount(const char* text, std::size_t length)
{
    const std::string kept = CleanAmount(text, length);
    if (kept.empty())
        return 0.0;
    const double value = std::atof(kept.c_str());
    // "inf", "nan" or 1e999 are not amounts a statement can carry.
    return std::isfinite(value) ? value : 0.0;
}

double ParseAmount(const CString& text)
{
    return detail::ParseAmount(text, static_cast<std::size_t>(text.GetLength()));
}

double ParseDate(const CString& text)
{
    const char* s = text;
    double result = 0.0;
    double serial = 0.0;
    Part parts[3];

    // day/month/year
    int count = SplitParts(s, '/', parts);
    int day = count > 0 ? PartNumber(parts[0].begin, parts[0].end, true) : 0;
    int month = count > 1 ? PartNumber(parts[1].begin, parts[1].end, false) : 0;
    int year = count > 2 ? PartNumber(parts[2].begin, parts[2].end, false) : 0;
    bool hasYear = count > 2;
    if (StatementSerial(hasYear, year, month, day, serial)) {
        if (serial >= 0.000005)
            return serial;
        result = serial;
    }

    // year-month-day; parts it lacks keep the values read above. Text
    // without a hyphen is not in this form: reading its day as a year would
    // turn a failed day/month/year date into an invented one.
    if (!std::strchr(s, '-'))
        return result;
    count = SplitParts(s, '-', parts);
    if (count > 0) {
        year = PartNumber(parts[0].begin, parts[0].end, true);
        hasYear = true;
    }
    if (count > 1)
        month = PartNumber(parts[1].begin, parts[1].end, false);
    if (count > 2)
        day = PartNumber(parts[2].begin, parts[2].end, false);
    if (StatementSerial(hasYear, year, month, day, serial))
        result = serial;
    return result;
}

} // namespace qf
