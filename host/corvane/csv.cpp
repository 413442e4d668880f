#include "host/corvane/csv.h"

namespace corvane {

bool ParseCsv(const std::string& text, std::vector<CsvRecord>& records, std::string& error)
{
    records.clear();
    std::size_t i = 0;
    int line = 1;
    // A UTF-8 byte order mark is not part of the first field.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        i = 3;
    while (i < text.size()) {
        CsvRecord record;
        record.line = line;
        std::string field;
        bool quoted = false, wasQuoted = false, endOfRecord = false;
        while (!endOfRecord) {
            if (i >= text.size()) {
                if (quoted) {
                    error = "line " + std::to_string(record.line) + ", field " +
                            std::to_string(record.fields.size() + 1) + ": a quoted field is not closed";
                    return false;
                }
                record.fields.push_back(field);
                break;
            }
            const char c = text[i++];
            if (quoted) {
                if (c == '"') {
                    if (i < text.size() && text[i] == '"') {
                        field += '"';
                        ++i;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == '\n')
                        ++line;
                    field += c;
                }
                continue;
            }
            if (c == '"') {
                if (!field.empty() || wasQuoted) {
                    error = "line " + std::to_string(line) + ", field " + std::to_string(record.fields.size() + 1) +
                            ": a quote inside an unquoted field";
                    return false;
                }
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
                endOfRecord = true;
            } else {
                if (wasQuoted) {
                    error = "line " + std::to_string(line) + ", field " + std::to_string(record.fields.size() + 1) +
                            ": text after a closing quote";
                    return false;
                }
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

} // namespace corvane
