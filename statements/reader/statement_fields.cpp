#include "statements/reader/statement_fields.h"

#include <algorithm>
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

// The last c in [begin, end), or null.
const char* FindLast(const char* begin, const char* end, char c)
{
    for (const char* p = end; p > begin;)
        if (*--p == c)
            return p;
    return nullptr;
}

// The last field of [line, end) as [begin, end). Its start is the line's
// last separator, quotes or not; when a quote follows that separator the
// field is the last quoted run of the line, so "1,234.56" stays whole and a
// trailing carriage return (binary mode) is left behind. False when the
// line has no separator.
bool LastField(const char* line, const char*& begin, const char*& end, char separator)
{
    // Searched from the end, where both are found in a few steps; end is
    // the line's terminating zero, so these find what strrchr would.
    const char* lastSeparator = FindLast(line, end, separator);
    if (!lastSeparator)
        return false;
    const char* closing = FindLast(lastSeparator + 1, end, '"');
    if (closing) {
        // The search stops at the line's second character: a last field
        // that starts the line belongs to a one-field line, no transaction.
        const char* opening = nullptr;
        for (const char* q = closing; q > line + 1;) {
            if (*--q == '"') {
                opening = q;
                break;
            }
        }
        if (!opening) {
            begin = end;
            return true;
        }
        begin = opening;
        end = closing + 1;
        return true;
    }
    begin = lastSeparator + 1;
    return true;
}

const char* CopyLastField(const char* line, const char* end, char separator, FieldBuffer& field, std::size_t& length)
{
    const char* begin = nullptr;
    if (!LastField(line, begin, end, separator))
        return nullptr;
    return CopyField(begin, end, field, length);
}

} // namespace

bool detail::IsSpace(char c)
{
    // ASCII is white space alike in every locale; only other bytes need
    // the C library's locale-dependent answer.
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80)
        return u == ' ' || (u >= '\t' && u <= '\r');
    return std::isspace(u) != 0;
}

namespace {

using detail::IsSpace;

// A date part: digits, with white space around them and nothing else. A
// sign, a letter or a second number makes the part, and so the date, no
// date (-1/-1/-1 is not 1 January 2001). An absurd number saturates and is
// simply no date. -1 when the part is not a number.
int PartNumber(const char* begin, const char* end)
{
    const char* p = begin;
    while (p < end && IsSpace(*p))
        ++p;
    const char* digits = p;
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (value < 1000000000)
            value = value * 10 + (*p - '0');
    }
    if (p == digits)
        return -1;
    while (p < end && IsSpace(*p))
        ++p;
    return p == end ? static_cast<int>(value) : -1;
}

struct Part {
    const char* begin;
    const char* end;
};

// Splits text the way strtok does: runs of delimiters separate parts,
// leading delimiters are skipped and there are no empty parts. Unlike
// strtok it keeps no hidden state. Reads three numbers; false when the text
// has fewer or more parts or a part is no number.
bool ReadParts(const char* begin, const char* end, char delimiter, int (&numbers)[3])
{
    int count = 0;
    const char* p = begin;
    for (;;) {
        while (p < end && *p == delimiter)
            ++p;
        if (p == end)
            break;
        const char* part = p;
        while (p < end && *p != delimiter)
            ++p;
        if (count == 3)
            return false;
        numbers[count] = PartNumber(part, p);
        if (numbers[count++] < 0)
            return false;
    }
    return count == 3;
}

// Statement dates: day 1 to the month's last day and month 1 to 12,
// otherwise no date (31/02 is not rolled into March). A year below 100 is
// 2000 + year, since exports can carry two-digit years and statements are
// recent.
bool StatementSerial(int year, int month, int day, double& serial)
{
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
    return CopyLastField(line, p, separator, field, length);
}

void LineFields::Split(const char* line, char separator)
{
    m_line = line;
    m_separator = separator;
    m_count = 0;
    m_found = 0;
    if (!line)
        return;
    // The slots are written by index and the vector grows only for a line
    // with more separators than any before it.
    if (m_separators.size() < 64)
        m_separators.resize(64);
    std::size_t found = 0;
    bool insideQuotes = false;
    // Only quotes, separators and the end matter: the bytes between them
    // are passed over with one look-up each.
    if (!m_stopsReady || m_stopsFor != separator) {
        std::memset(m_stops, 0, sizeof m_stops);
        m_stops[static_cast<unsigned char>('"')] = 1;
        m_stops[static_cast<unsigned char>(separator)] = 1;
        m_stops[0] = 1;
        m_stopsFor = separator;
        m_stopsReady = true;
    }
    const char* p = line;
    for (;; ++p) {
        while (!m_stops[static_cast<unsigned char>(*p)])
            ++p;
        const char c = *p;
        if (c == '\0')
            break;
        if (c == '"') {
            insideQuotes = !insideQuotes;
        } else if (!insideQuotes) {
            if (found == m_separators.size())
                m_separators.resize(found * 2);
            m_separators[found++] = p;
        }
    }
    m_end = p;
    m_found = found;
    m_count = static_cast<int>(found) + 1 - (insideQuotes ? 1 : 0);
}

const char* LineFields::View(int k, std::size_t& length) const
{
    length = 0;
    if (!m_line || k < 1 || m_separator == '\0')
        return nullptr;
    const std::size_t index = static_cast<std::size_t>(k) - 1;
    const char* begin = nullptr;
    const char* end = m_end;
    if (index < m_found) {
        begin = index == 0 ? m_line : m_separators[index - 1] + 1;
        end = m_separators[index];
    } else if (index != m_found || !LastField(m_line, begin, end, m_separator)) {
        return nullptr;
    }
    // Cut as a copied field is cut.
    length = static_cast<std::size_t>(end - begin);
    if (length > kFieldBufferSize - 1)
        length = kFieldBufferSize - 1;
    return begin;
}

const char* LineFields::Field(int k, FieldBuffer& field, std::size_t& length) const
{
    const char* view = View(k, length);
    if (!view)
        return nullptr;
    std::memcpy(field, view, length);
    field[length] = '\0';
    return field;
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

// A currency mark before an amount, as spreadsheets save them: the pound
// sign in Windows-1252 or UTF-8, or the ISO code. Its length, or 0.
std::size_t CurrencyMark(const std::string& text)
{
    if (text.compare(0, 1, "\xA3") == 0)
        return 1;
    if (text.compare(0, 2, "\xC2\xA3") == 0)
        return 2;
    if (text.compare(0, 3, "GBP") == 0)
        return 3;
    return 0;
}

// An amount's text as it is read: outer quotes, white space, thousands
// separators and minus signs dropped, up to a zero byte, then a leading
// currency mark. Amounts are short; the small-string buffer keeps this free
// of the heap.
std::string CleanAmount(const char* text, std::size_t length)
{
    detail::StripQuotes(text, length);
    std::string kept;
    for (std::size_t i = 0; i < length && text[i]; ++i) {
        const char c = text[i];
        if (!IsSpace(c) && c != ',' && c != '-')
            kept.push_back(c);
    }
    kept.erase(0, CurrencyMark(kept));
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

// The amounts of a real export ("1,234.56", "", " -12 ") read without a
// copy or the C library's conversion: digits, at most one point, and the
// white space, thousands separators and minus signs that CleanAmount drops.
// With fifteen digits or fewer both the digits and the power of ten are
// exact doubles, so one division rounds exactly as strtod does. False for
// any other text, which takes the general path.
bool PlainAmount(const char* text, std::size_t length, double& value)
{
    static const double kPowersOfTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    detail::StripQuotes(text, length);
    unsigned long long digits = 0;
    int count = 0;
    int decimals = -1; // -1 before a point
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (++count > 15)
                return false;
            digits = digits * 10 + static_cast<unsigned>(c - '0');
            if (decimals >= 0)
                ++decimals;
        } else if (c == '.') {
            if (decimals >= 0)
                return false;
            decimals = 0;
        } else if (c != ',' && c != '-' && (c == '\0' || !IsSpace(c))) {
            return false;
        }
    }
    if (count == 0) {
        value = 0.0;
        return decimals < 0; // nothing left: an empty amount
    }
    value = decimals > 0 ? static_cast<double>(digits) / kPowersOfTen[decimals] : static_cast<double>(digits);
    return true;
}

} // namespace

bool detail::IsAmountText(const char* text, std::size_t length)
{
    double plain = 0.0;
    if (PlainAmount(text, length, plain))
        return true;
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
    double plain = 0.0;
    if (PlainAmount(text, length, plain))
        return plain;
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
    // White space and one pair of quotes around the field do not count (a
    // quote that a spreadsheet left at either end alone neither).
    const char* begin = text;
    const char* end = begin + text.GetLength();
    while (begin < end && IsSpace(*begin))
        ++begin;
    while (end > begin && IsSpace(end[-1]))
        --end;
    if (begin < end && *begin == '"')
        ++begin;
    if (end > begin && end[-1] == '"')
        --end;

    double serial = 0.0;
    int numbers[3];
    // day/month/year; year-month-day only for text with a hyphen, so that a
    // failed day/month/year date is never read again as another one.
    if (ReadParts(begin, end, '/', numbers)) {
        if (StatementSerial(numbers[2], numbers[1], numbers[0], serial))
            return serial;
    } else if (std::find(begin, end, '-') != end && ReadParts(begin, end, '-', numbers)) {
        if (StatementSerial(numbers[0], numbers[1], numbers[2], serial))
            return serial;
    }
    return 0.0;
}

} // namespace qf
