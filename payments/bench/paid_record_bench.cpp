// What the record of paid payments adds to a payment run of 4000 payments
// (the most a run accepts) when the account's record holds 100,000 entries:
// loading it, checking the batch, adding the batch and saving it, against
// the same run with no record yet.
//
//   paid_record_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "payments/paid/paid_check.h"
#include "payments/paid/paid_record_file.h"
#include "platform/serial_date.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kNow = 202703311030;
constexpr int kBatch = 4000, kRecorded = 100000, kDays = 35;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

qf::PaidPayment Payment(int n)
{
    char sortCode[8], account[12];
    std::snprintf(sortCode, sizeof sortCode, "%06d", 200000 + n % 700000);
    std::snprintf(account, sizeof account, "%08d", (n * 7919 + 12345678) % 100000000);
    return {sortCode, account, 1000 + n % 50000, "INV " + std::to_string(n)};
}

std::vector<qf::PaidPayment> Payments(int from, int count)
{
    std::vector<qf::PaidPayment> batch;
    batch.reserve(static_cast<std::size_t>(count));
    for (int n = from; n < from + count; ++n)
        batch.push_back(Payment(n));
    return batch;
}

// The steps of one run, in milliseconds.
struct Steps {
    double load = 0, check = 0, save = 0;
    double Total() const { return load + check + save; }
};

// One run on the record at path: its batch is half paid before (the last
// 2000 of the record) and half new.
Steps Run(const std::string& path)
{
    Steps steps;
    const std::vector<qf::PaidPayment> batch = Payments(kRecorded - kBatch / 2, kBatch);
    qf::PaidRecordFile file(path);
    qf::PaidRecord record;
    std::string why;
    Clock::time_point t = Clock::now();
    const qf::FileState state = file.Load(record, why);
    steps.load = Milliseconds(Clock::now() - t);
    if (state != qf::FileState::Read && state != qf::FileState::Missing)
        std::fprintf(stderr, "load: %s\n", why.c_str());

    t = Clock::now();
    const std::vector<qf::PaidCheck> checks = qf::CheckPaid(&record, batch, kNow, kDays);
    steps.check = Milliseconds(Clock::now() - t);
    const auto paid = std::count_if(checks.begin(), checks.end(),
                                    [](const qf::PaidCheck& c) { return c.kind == qf::PaidCheck::Kind::PaidBefore; });
    if (state == qf::FileState::Read && paid != kBatch / 2)
        std::fprintf(stderr, "check: %ld paid before, %d expected\n", static_cast<long>(paid), kBatch / 2);

    t = Clock::now();
    const qf::PaidAddition added{batch, 20270401, kNow, 1, "PAYMENTS-20270401.csv"};
    if (file.Save(record, added, kNow, why) != qf::SharedFile::Outcome::Replaced)
        std::fprintf(stderr, "save: %s\n", why.c_str());
    steps.save = Milliseconds(Clock::now() - t);
    return steps;
}

// The record of 100,000 entries: 25 runs of 4000, two a month over the
// last year, the latest on 28 March.
bool MakeRecord(const std::string& path)
{
    qf::PaidRecord record;
    if (!qf::PaidRecord::CreateNew(record))
        return false;
    const int runs = kRecorded / kBatch;
    for (int run = 0; run < runs; ++run) {
        const std::int64_t written =
            qf::StampMonthsBefore(run % 2 == runs % 2 ? 202703151000 : 202703281000, (runs - 1 - run) / 2);
        record.Add(Payments(run * kBatch, kBatch), static_cast<std::int32_t>(written / 10000), written, run % 4,
                   "PAYMENTS-" + std::to_string(written / 10000) + "-" + std::to_string(run) + ".csv");
    }
    qf::PaidRecordFile file(path);
    std::string why;
    if (file.Save(record, {}, kNow, why) != qf::SharedFile::Outcome::Replaced) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return false;
    }
    return record.Size() == static_cast<std::size_t>(kRecorded);
}

// The median of each step over rounds, the file put back before each.
Steps Median(int rounds, const std::string& path, const std::string& original)
{
    std::vector<Steps> all;
    for (int i = 0; i < rounds; ++i) {
        std::filesystem::remove(path);
        if (!original.empty())
            std::filesystem::copy_file(original, path);
        all.push_back(Run(path));
    }
    auto median = [&all](double Steps::*step) {
        std::vector<double> values;
        for (const Steps& s : all)
            values.push_back(s.*step);
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {median(&Steps::load), median(&Steps::check), median(&Steps::save)};
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quillfen-paid-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir);
    const std::string original = (dir / "original").string(), path = (dir / "record").string();
    if (!MakeRecord(original)) {
        std::fprintf(stderr, "cannot make the record\n");
        return 1;
    }
    const Steps with = Median(rounds, path, original), without = Median(rounds, path, "");
    std::printf("record of %d entries, %.1f MB; batch of %d, half paid before; median of %d rounds (ms)\n", kRecorded,
                static_cast<double>(std::filesystem::file_size(original)) / 1e6, kBatch, rounds);
    std::printf("%-22s %8s %8s %8s %8s\n", "", "load", "check", "save", "total");
    std::printf("%-22s %8.2f %8.2f %8.2f %8.2f\n", "with the record", with.load, with.check, with.save, with.Total());
    std::printf("%-22s %8.2f %8.2f %8.2f %8.2f\n", "no record yet", without.load, without.check, without.save,
                without.Total());
    std::printf("%-22s %8.2f %8.2f %8.2f %8.2f\n", "extra", with.load - without.load, with.check - without.check,
                with.save - without.save, with.Total() - without.Total());
    std::filesystem::remove_all(dir);
    return 0;
}
