// A realistic statement export for benchmarks: the 18-column layout with
// quoted fields and CR LF, as the bank writes it. Every seventh line belongs
// to another account unless allOneAccount is set. Dates fall in the 15 years
// from 2010, or in 2023 and 2024 with recentOnly (all of them within the two
// years an import journal keeps).
#pragma once
#include <cstdio>
#include <string>

namespace qf::bench {

inline std::string GenerateStatement(long lines, bool allOneAccount, bool recentOnly = false)
{
    static const char* const kTitles[18] = {
        "Sort Code", "Account Number", "Account Alias", "Account Short Name", "Currency", "Account Type",
        "BIC", "Bank Name", "Branch Name", "Date", "Narrative #1", "Narrative #2", "Narrative #3",
        "Narrative #4", "Narrative #5", "Type", "Debit", "Credit"};
    static const char* const kTypes[] = {"DD", "BAC", "CHQ", "TFR", "POS", "SO", "D/D", "CHG"};
    auto quote = [](const std::string& s) { return "\"" + s + "\""; };
    std::string text;
    text.reserve(static_cast<std::size_t>(lines) * 240);
    for (int i = 0; i < 18; ++i)
        text += (i ? "," : "") + quote(kTitles[i]);
    text += "\r\n";
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFFFF; };
    char amount[32];
    char date[16];
    for (long line = 0; line < lines; ++line) {
        const unsigned r = next();
        std::snprintf(date, sizeof date, "%02u/%02u/20%02u", 1 + r % 28, 1 + (r >> 5) % 12,
                      recentOnly ? 23 + (r >> 9) % 2 : 10 + (r >> 9) % 15);
        std::snprintf(amount, sizeof amount, "%u,%03u.%02u", r % 90 + 1, (r >> 7) % 1000, (r >> 3) % 100);
        const bool debit = r & 1;
        const std::string fields[18] = {
            allOneAccount || line % 7 ? "601234" : "165432", "12345678", "Main account", "QUILLFEN TRADING", "GBP",
            "BUSINESS CURRENT", "NWBKGB2L", "NATIONAL WESTMINSTER BANK PLC", "LEEDS CITY", date,
            "PAYMENT REF " + std::to_string(r % 100000), line % 3 ? "INVOICE " + std::to_string(line) : "",
            line % 5 ? "" : "SUPPLIER LTD", "", "", kTypes[r % 8], debit ? amount : "", debit ? "" : amount};
        for (int i = 0; i < 18; ++i)
            text += (i ? "," : "") + quote(fields[i]);
        text += "\r\n";
    }
    return text;
}

} // namespace qf::bench
