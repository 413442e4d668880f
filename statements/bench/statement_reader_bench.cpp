// Throughput of the statement reader: generates a 100,000-line statement in
// the 18-column layout (quoted fields, CR LF, as the bank exports it) and
// reads it whole several times the way the import does: binary mode,
// ReadNext line by line (every date and amount checked), the joined
// narrative built for each record. Prints MB/s and lines/s of the best pass
// and of the median.
#include "statements/bench/statement_generator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "statements/reader/statement_reader.h"

using namespace qf;

namespace {

constexpr int kLines = 100000;
constexpr int kPasses = 7;

std::string GenerateStatement() { return bench::GenerateStatement(kLines, false); }

} // namespace

int main()
{
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
        for (;;) {
            const CRBSTransactionFile::Line line = file.ReadNext(record);
            if (line.kind == CRBSTransactionFile::LineKind::End)
                break;
            if (line.kind != CRBSTransactionFile::LineKind::Record)
                continue;
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
