// What the account check adds to a payment run of 4000 payments (the most a
// run accepts): reading each payee's pair, checking it and building the
// question, with the table loaded as a run loads it. Also the bare check's
// rate over 100,000 pairs.
//
//   account_check_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "accountcheck/account_advice.h"
#include "accountcheck/account_check.h"
#include "payments/payment_account_check.h"
#include "payments/payment_source.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Sort codes from across the table, account numbers from a simple sequence.
std::string SortCode(int n)
{
    const auto& rows = qf::ModulusTable::BuiltIn().AllRows();
    char text[8];
    std::snprintf(text, sizeof text, "%06d", static_cast<int>(rows[static_cast<std::size_t>(n) % rows.size()].first));
    return text;
}

std::string AccountNumber(int n)
{
    char text[12];
    std::snprintf(text, sizeof text, "%08d", (n * 7919 + 12345678) % 100000000);
    return text;
}

// A batch of payees' pairs, the rest of each payment fixed.
struct Payee {
    std::string payeeSortCode, payeeAccountNumber;
};

class PayeeBatch : public qf::PaymentBatch {
public:
    explicit PayeeBatch(std::size_t n) : payments(n) {}

    std::int32_t Count() override { return static_cast<std::int32_t>(payments.size()); }
    std::unique_ptr<qf::Payment> Item(std::int32_t index) override
    {
        return std::make_unique<View>(payments[static_cast<std::size_t>(index)]);
    }

    std::vector<Payee> payments;

private:
    class View : public qf::Payment {
    public:
        explicit View(const Payee& p) : m_p(p) {}
        double Amount() override { return 10; }
        qf::CString PayerSortCode() override { return "12-34-56"; }
        qf::CString PayerAccountNumber() override { return "12345678"; }
        qf::CString PayeeBACSReference() override { return "REF"; }
        qf::CString PayeeSortCode() override { return m_p.payeeSortCode.c_str(); }
        qf::CString PayeeAccountNumber() override { return m_p.payeeAccountNumber.c_str(); }
        qf::HostText PayeeAccountName() override { return {"Payee", false}; }
        qf::CString PayeeRollNumber() override { return ""; }
        qf::CString Details() override { return "Details"; }
        std::int32_t StatusCode() override { return 0; }

    private:
        void StoreStatusCode(std::int32_t) override {}

        const Payee& m_p;
    };
};

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    // The built-in table is indexed on first use, once per process.
    Clock::time_point start = Clock::now();
    const std::size_t rows = qf::ModulusTable::BuiltIn().AllRows().size();
    std::printf("built-in table of %zu rows ready in %.2f ms\n", rows, Milliseconds(Clock::now() - start));

    const int kPayments = 4000;
    PayeeBatch batch(kPayments);
    for (int i = 0; i < kPayments; ++i) {
        Payee& p = batch.payments[static_cast<std::size_t>(i)];
        p.payeeSortCode = SortCode(i);
        p.payeeAccountNumber = AccountNumber(i);
        // A real batch is mostly right: all but one payment in a hundred get
        // last digits that pass.
        for (int last = 0; last < 1000 && i % 100 != 0; ++last) {
            std::string candidate = p.payeeAccountNumber;
            candidate[5] = static_cast<char>('0' + last / 100);
            candidate[6] = static_cast<char>('0' + last / 10 % 10);
            candidate[7] = static_cast<char>('0' + last % 10);
            if (qf::CheckAccount(qf::ModulusTable::BuiltIn(), p.payeeSortCode.c_str(), candidate.c_str()).result ==
                qf::AccountCheckResult::Valid) {
                p.payeeAccountNumber = candidate;
                break;
            }
        }
    }

    std::vector<double> times;
    std::size_t invalid = 0;
    for (int r = 0; r < rounds; ++r) {
        const Clock::time_point begun = Clock::now();
        // As a run does: it looks for a newer table in the settings folder.
        const qf::ModulusTableInUse table = qf::LoadModulusTable("no-such-settings-folder/");
        const qf::BatchAccountCheck check = qf::CheckBatchAccounts(batch, *table.table);
        const std::string question = check.invalid.empty() ? std::string() : qf::AccountWarningText(check.invalid);
        times.push_back(Milliseconds(Clock::now() - begun));
        invalid = question.empty() ? 0 : check.invalid.size();
    }
    const double first = times.front();
    std::sort(times.begin(), times.end());
    std::printf("account check of a %d-payment run: %.2f ms (median of %d; first run %.2f ms, %zu pairs invalid)\n",
                kPayments, times[times.size() / 2], rounds, first, invalid);

    const int kPairs = 100000;
    std::vector<std::string> sortCodes, accounts;
    for (int i = 0; i < kPairs; ++i) {
        sortCodes.push_back(SortCode(i * 13));
        accounts.push_back(AccountNumber(i));
    }
    start = Clock::now();
    int valid = 0;
    for (int i = 0; i < kPairs; ++i)
        valid += qf::CheckAccount(qf::ModulusTable::BuiltIn(), sortCodes[static_cast<std::size_t>(i)].c_str(),
                                  accounts[static_cast<std::size_t>(i)].c_str())
                             .result == qf::AccountCheckResult::Valid;
    std::printf("%d pairs checked in %.1f ms (%d valid)\n", kPairs, Milliseconds(Clock::now() - start), valid);
    return 0;
}
