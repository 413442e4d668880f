#include "host/corvane/csv.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corvane {
namespace {

// The 1-based character column of text[at] within the line that starts at
// lineStart: UTF-8 continuation bytes do not start a character.
std::size_t Column(const std::string& text, std::size_t lineStart, std::size_t at)
{
    std::size_t column = 1;
    for (std::size_t i = lineStart; i < at; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++column;
    return column;
}

// The length of the valid UTF-8 sequence at text[i], or 0.
std::size_t Utf8Sequence(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80)
        return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            low = 0xA0; // overlong
        else if (b == 0xED)
            high = 0x9F; // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            low = 0x90; // overlong
        else if (b == 0xF4)
            high = 0x8F; // past U+10FFFF
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    return length;
}

// Windows-1252's 0x80-0x9F; the five bytes it leaves undefined become the
// C1 controls of the same value, as Windows converts them.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

bool IsUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8Sequence(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

const char* EncodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8: return "UTF-8";
    case TextEncoding::Utf8WithBom: return "UTF-8 with byte order mark";
    case TextEncoding::Windows1252: return "Windows-1252";
    }
    return "?";
}

bool DecodeText(const std::string& bytes, std::string& utf8, TextEncoding& used, std::string& error)
{
    utf8.clear();
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) {
        error = "the file is UTF-16 text; save it as CSV (UTF-8 or Windows-1252)";
        return false;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        // The mark says UTF-8: a byte that is not is an error, not a hint
        // to read the file in another code page.
        std::size_t line = 1, lineStart = 3;
        for (std::size_t i = 3; i < bytes.size();) {
            const std::size_t n = Utf8Sequence(bytes, i);
            if (n == 0) {
                error = "line " + std::to_string(line) + ", column " + std::to_string(Column(bytes, lineStart, i)) +
                        ": the file starts with a UTF-8 byte order mark, but this is not UTF-8";
                return false;
            }
            if (bytes[i] == '\n') {
                ++line;
                lineStart = i + 1;
            }
            i += n;
        }
        utf8 = bytes.substr(3);
        used = TextEncoding::Utf8WithBom;
        return true;
    }
    if (IsUtf8(bytes)) {
        utf8 = bytes;
        used = TextEncoding::Utf8;
        return true;
    }
    utf8.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        AppendUtf8(utf8, b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
    }
    used = TextEncoding::Windows1252;
    return true;
}

bool ParseCsv(const std::string& text, std::vector<CsvRecord>& records, std::string& error)
{
    records.clear();
    std::size_t i = 0;
    int line = 1;
    std::size_t lineStart = 0;
    // A UTF-8 byte order mark is not part of the first field.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        i = lineStart = 3;
    while (i < text.size()) {
        CsvRecord record;
        record.line = line;
        std::string field;
        bool quoted = false, wasQuoted = false, endOfRecord = false;
        const auto fail = [&](int at, const std::string& what) {
            error = "line " + std::to_string(at) + ", field " + std::to_string(record.fields.size() + 1) + what;
            return false;
        };
        while (!endOfRecord) {
            if (i >= text.size()) {
                if (quoted)
                    return fail(record.line, ": a quoted field is not closed");
                record.fields.push_back(field);
                break;
            }
            const char c = text[i++];
            if (c == '\0') {
                // Not text: a string that the host and the component read
                // would end here and lose the rest of the field.
                return fail(line, ", column " + std::to_string(Column(text, lineStart, i - 1)) +
                                      ": a NUL byte is not text");
            }
            if (quoted) {
                if (c == '"') {
                    if (i < text.size() && text[i] == '"') {
                        field += '"';
                        ++i;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == '\n') {
                        ++line;
                        lineStart = i;
                    }
                    field += c;
                }
                continue;
            }
            if (c == '"') {
                if (!field.empty() || wasQuoted)
                    return fail(line, ": a quote inside an unquoted field");
                quoted = wasQuoted = true;
            } else if (c == ',') {
                record.fields.push_back(field);
                field.clear();
                wasQuoted = false;
            } else if (c == '\r' && i < text.size() && text[i] == '\n') {
                // CR LF ends the record; the LF is taken next time round.
            } else if (c == '\n') {
                record.fields.push_back(field);
                ++line;
                lineStart = i;
                endOfRecord = true;
            } else {
                if (wasQuoted)
                    return fail(line, ": text after a closing quote");
                field += c;
            }
        }
        // Blank lines carry no record.
        if (!(record.fields.size() == 1 && record.fields[0].empty()))
            records.push_back(std::move(record));
    }
    return true;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

void AppendCsvField(std::string& out, const char* text, std::size_t length)
{
    bool quoted = false;
    for (std::size_t i = 0; i < length && !quoted; ++i)
        quoted = text[i] == ',' || text[i] == '"' || text[i] == '\r' || text[i] == '\n';
    if (!quoted) {
        out.append(text, length);
        return;
    }
    out += '"';
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '"')
            out += '"';
        out += text[i];
    }
    out += '"';
}

void AppendInteger(std::string& out, long value)
{
    char digits[24];
    char* end = digits + sizeof digits;
    char* p = end;
    // In unsigned arithmetic, so that the most negative long has a magnitude.
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        *--p = '-';
    out.append(p, static_cast<std::size_t>(end - p));
}

void AppendMoney(std::string& out, double amount)
{
    // Below ten million the product with 100 is within 1e-7 of the exact
    // one, so a fraction of a cent further than that from a half rounds as
    // the exact value does.
    const double magnitude = std::fabs(amount);
    if (magnitude < 1e7 && !(amount == 0 && std::signbit(amount))) {
        const double scaled = magnitude * 100;
        const double whole = std::floor(scaled);
        const double fraction = scaled - whole;
        const long long cents = static_cast<long long>(whole) + (fraction > 0.5 ? 1 : 0);
        if (std::fabs(fraction - 0.5) > 1e-6 && (amount >= 0 || cents > 0)) {
            if (amount < 0)
                out += '-';
            AppendInteger(out, static_cast<long>(cents / 100));
            out += '.';
            out += static_cast<char>('0' + cents % 100 / 10);
            out += static_cast<char>('0' + cents % 10);
            return;
        }
    }
    char text[512];
    const int length = std::snprintf(text, sizeof text, "%.2f", amount);
    if (length > 0)
        out.append(text, std::min(static_cast<std::size_t>(length), sizeof text - 1));
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[b >> 4];
            out += hex[b & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace corvane
