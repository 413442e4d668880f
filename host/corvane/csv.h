// A small RFC 4180 reader for the host program's input files: fields
// separated by commas, quoted when they hold commas, quotes or line breaks
// (a quote inside quotes is doubled), records ending in LF or CR LF.
#pragma once
#include <string>
#include <vector>

namespace corvane {

struct CsvRecord {
    int line = 0; // line number where the record starts (1-based)
    std::vector<std::string> fields;
};

// Parses the whole text. On a malformed record returns false and sets
// error to a message naming the line and the field.
bool ParseCsv(const std::string& text, std::vector<CsvRecord>& records, std::string& error);

// Quotes a field when it needs it.
std::string CsvField(const std::string& text);

} // namespace corvane
