// Throughput of the statement reader: generates a 100,000-line statement in
// the 18-column layout (quoted fields, CR LF, as the bank exports it) and
// reads it whole several times the way the import does: binary mode, one
// record per line, the joined narrative built for each. Prints MB/s and
// lines/s of the best pass and of the median.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "statements/rbs_transaction_file.h"

using namespace qf;

namespace {

constexpr int kLines = 100000;
constexpr int kPasses = 7;

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string GenerateStatement()
{
    static const char* const kTitles[18] = {
        "Sort Code", "Account Number", "Account Alias", "Account Short Name", "Currency", "Account Type",
        "BIC", "Bank Name", "Branch Name", "Date", "Narrative #1", "Narrative #2", "Narrative #3",
        "Narrative #4", "Narrative #5", "Type", "Debit", "Credit"};
    static const char* const kTypes[] = {"DD", "BAC", "CHQ", "TFR", "POS", "SO", "D/D", "CHG"};
    std::string text;
    text.reserve(static_cast<std::size_t>(kLines) * 240);
    for (int i = 0; i < 18; ++i)
        text += (i ? "," : "") + Quote(kTitles[i]);
    text += "\r\n";
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFFFF; };
    char amount[32];
    char date[16];
    for (int line = 0; line < kLines; ++line) {
        const unsigned r = next();
        std::snprintf(date, sizeof date, "%02u/%02u/20%02u", 1 + r % 28, 1 + (r >> 5) % 12, 10 + (r >> 9) % 15);
        std::snprintf(amount, sizeof amount, "%u,%03u.%02u", r % 90 + 1, (r >> 7) % 1000, (r >> 3) % 100);
        const bool debit = r & 1;
        const std::string fields[18] = {
            line % 7 ? "601234" : "165432", "12345678", "Main account", "QUILLFEN TRADING", "GBP",
            "BUSINESS CURRENT", "NWBKGB2L", "NATIONAL WESTMINSTER BANK PLC", "LEEDS CITY", date,
            "PAYMENT REF " + std::to_string(r % 100000), line % 3 ? "INVOICE " + std::to_string(line) : "",
            line % 5 ? "" : "SUPPLIER LTD", "", "", kTypes[r % 8], debit ? amount : "", debit ? "" : amount};
        for (int i = 0; i < 18; ++i)
            text += (i ? "," : "") + Quote(fields[i]);
        text += "\r\n";
    }
    return text;
}

} // namespace

int main()
{
    // The end of the file is a failed read with its diagnostic; not here.
    qf::platform::SetDebugSink([](const char*) {});
    const std::string path = (std::filesystem::temp_directory_path() / "qf_statement_bench.csv").string();
    const std::string text = GenerateStatement();
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    std::printf("statement: %d lines, 18 columns, %.2f MB (%s)\n", kLines, megabytes, path.c_str());

    std::vector<double> seconds;
    for (int pass = 0; pass < kPasses; ++pass) {
        const auto start = std::chrono::steady_clock::now();
        CRBSTransactionFile file(path.c_str(), std::ios::in | std::ios::binary);
        if (!file.PrepareColumns()) {
            std::fprintf(stderr, "no statement header\n");
            return 1;
        }
        CTransactionRecord record;
        int records = 0;
        double total = 0;
        int narrative = 0;
        while (file.ReadRecord(record)) {
            ++records;
            total += record.IsDebit() ? -record.Debit() : record.Credit();
            narrative += record.GetNarrative().GetLength();
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (records != kLines) {
            std::fprintf(stderr, "read %d records of %d\n", records, kLines);
            return 1;
        }
        seconds.push_back(elapsed.count());
        std::printf("pass %d: %.3f s, net %.2f, narrative bytes %d\n", pass + 1, elapsed.count(), total, narrative);
    }
    std::remove(path.c_str());

    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const double best = sorted.front();
    const double median = sorted[sorted.size() / 2];
    std::printf("reader, best pass:   %.1f MB/s, %.0f lines/s\n", megabytes / best, kLines / best);
    std::printf("reader, median pass: %.1f MB/s, %.0f lines/s\n", megabytes / median, kLines / median);
    return 0;
}
