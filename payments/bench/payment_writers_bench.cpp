// Writes a batch of 4000 payments (the most a run accepts) in each file
// layout, several times over, and prints the time per file and the records
// written per second.
//
//   payment_writers_bench [output file] [rounds]
//
// The payments hold their texts as UTF-16 and convert them on every read,
// as the host adapter does, so the figures include that conversion.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "payments/payment_checks.h"
#include "payments/payment_format.h"
#include "payments/payment_source.h"
#include "payments/payment_text.h"
#include "payments/payment_writers.h"

namespace {

using qf::CString;
using qf::PaymentFormat;

constexpr int kPayments = 4000;
constexpr double kProcessingDate = 45356; // 5 March 2024

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class MemoryPayment : public qf::Payment {
public:
    explicit MemoryPayment(int n)
    {
        m_amount = 10.0 + n * 1.37;
        m_payerSortCode = u"12-34-56";
        m_payerAccountNumber = u"12345678";
        m_payeeBACSReference = Wide("Invoice " + std::to_string(100000 + n) + " (June)");
        m_payeeSortCode = Wide(std::to_string(100000 + n % 900000));
        m_payeeAccountNumber = Wide(std::to_string(10000000 + n * 7));
        m_payeeAccountName = Wide("Supplier no. " + std::to_string(n) + " & Sons (Bath) Ltd.");
        m_payeeRollNumber = n % 3 == 0 ? Wide("Roll " + std::to_string(n)) : u"";
        m_details = u"Monthly supplier run";
        m_mark = n % 10 == 0 ? qf::kIatMark : 0;
    }

    double Amount() override { return m_amount; }
    CString PayerSortCode() override { return Narrow(m_payerSortCode); }
    CString PayerAccountNumber() override { return Narrow(m_payerAccountNumber); }
    CString PayeeBACSReference() override { return Narrow(m_payeeBACSReference); }
    CString PayeeSortCode() override { return Narrow(m_payeeSortCode); }
    CString PayeeAccountNumber() override { return Narrow(m_payeeAccountNumber); }
    qf::HostText PayeeAccountName() override
    {
        return qf::HostText{Narrow(m_payeeAccountName), m_payeeAccountName.empty()};
    }
    CString PayeeRollNumber() override { return Narrow(m_payeeRollNumber); }
    CString Details() override { return Narrow(m_details); }
    std::int32_t StatusCode() override { return m_status; }

    // The options dialog's IAT marks, as the run finds them.
    void ResetMark() { m_status = m_mark; }

private:
    void StoreStatusCode(std::int32_t code) override { m_status = code; }
    static CString Narrow(const std::u16string& text) { return qf::NarrowText(text.c_str(), text.size()); }

    double m_amount;
    std::u16string m_payerSortCode, m_payerAccountNumber, m_payeeBACSReference, m_payeeSortCode,
        m_payeeAccountNumber, m_payeeAccountName, m_payeeRollNumber, m_details;
    std::int32_t m_mark = 0;
    std::int32_t m_status = 0;
};

// One whole file as the payment run writes it: open, header, records, close.
// Returns the payments that failed a check, or -1 when the file cannot be made.
int WriteFile(const char* path, PaymentFormat format, std::vector<MemoryPayment>& payments)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return -1;
    const CString templateName = "Supplier bulk list";
    const CString beneficiaryReference = "June payments";
    int failed = 0;
    if (format == PaymentFormat::BulkList)
        qf::WriteBulkListHeader(file, payments[0], kProcessingDate, templateName, beneficiaryReference);
    if (format == PaymentFormat::AdHocBulk)
        qf::WriteAdHocBulkHeader(file, payments[0], kProcessingDate, beneficiaryReference, path);
    for (MemoryPayment& payment : payments) {
        const bool passed = format == PaymentFormat::AdHocBulk
                                ? qf::WriteAdHocBulkRecord(file, payment)
                                : qf::WritePaymentRecord(file, payment, kProcessingDate, format, templateName);
        failed += passed ? 0 : 1;
    }
    std::fclose(file);
    return failed;
}

} // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "payment_writers_bench.csv";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 25;

    std::vector<MemoryPayment> payments;
    payments.reserve(kPayments);
    for (int n = 0; n < kPayments; ++n)
        payments.emplace_back(n);

    const struct { PaymentFormat format; const char* name; } layouts[] = {
        {PaymentFormat::Standard, "Standard"},
        {PaymentFormat::Template, "Template"},
        {PaymentFormat::BulkList, "Bulk List"},
        {PaymentFormat::AdHocBulk, "Ad Hoc Bulk"},
    };
    std::printf("%d payments per file, %d rounds per layout\n", kPayments, rounds);
    std::printf("%-12s %10s %10s %16s\n", "layout", "best ms", "median ms", "records/s");
    for (const auto& layout : layouts) {
        std::vector<double> times;
        for (int round = 0; round < rounds; ++round) {
            for (MemoryPayment& payment : payments)
                payment.ResetMark();
            const auto start = std::chrono::steady_clock::now();
            const int failed = WriteFile(path, layout.format, payments);
            const auto stop = std::chrono::steady_clock::now();
            if (failed != 0) {
                std::fprintf(stderr, "%s: %s\n", layout.name,
                             failed < 0 ? "cannot create the output file" : "a payment failed its checks");
                return 1;
            }
            times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
        }
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        std::printf("%-12s %10.2f %10.2f %16.0f\n", layout.name, times.front(), median, kPayments / (median / 1000.0));
    }
    std::remove(path);
    return 0;
}
