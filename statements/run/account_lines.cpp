#include "statements/run/account_lines.h"

#include <string>

#include "statements/reader/statement_fields.h"
#include "statements/reader/statement_reader.h"
#include "statements/reader/transaction_record.h"

namespace qf {
namespace {

// The widths of the two account keys.
constexpr std::size_t kSortCodeWidth = 6;
constexpr std::size_t kAccountNumberWidth = 8;

// A line's account as it is compared: its whole columns cleaned, then cut
// to 6 and 8 characters as the reader always cut them.
StatementAccount LineAccountKey(const CTransactionRecord& record)
{
    auto key = [](const CString& column, std::size_t width) {
        std::string k = AccountKey(column, static_cast<std::size_t>(column.GetLength()), width);
        if (k.size() > width)
            k.resize(width);
        return k;
    };
    return {key(record.SortCodeColumn(), kSortCodeWidth), key(record.AccountNumberColumn(), kAccountNumberWidth)};
}

bool SameAccount(const StatementAccount& a, const StatementAccount& b)
{
    return a.sortCode == b.sortCode && a.accountNumber == b.accountNumber;
}

// The account columns of the line before, as read, and whether they are the
// host's: a statement's lines mostly repeat the one before.
struct LastAccount {
    std::string sortCode, accountNumber;
    bool known = false;
    bool host = false;

    bool Same(const CTransactionRecord& record) const
    {
        auto equal = [](const std::string& a, const CString& b) {
            return a.size() == static_cast<std::size_t>(b.GetLength()) && a.compare(0, a.size(), b.c_str(), a.size()) == 0;
        };
        return known && equal(sortCode, record.SortCodeColumn()) && equal(accountNumber, record.AccountNumberColumn());
    }
    void Set(const CTransactionRecord& record, bool isHost)
    {
        sortCode.assign(record.SortCodeColumn().c_str(), static_cast<std::size_t>(record.SortCodeColumn().GetLength()));
        accountNumber.assign(record.AccountNumberColumn().c_str(),
                             static_cast<std::size_t>(record.AccountNumberColumn().GetLength()));
        known = true;
        host = isHost;
    }
};

void RememberAccount(StatementImportReport& report, const StatementAccount& account)
{
    for (const StatementAccount& known : report.accounts)
        if (SameAccount(known, account))
            return;
    if (report.accounts.size() < StatementImportReport::kMaxAccounts)
        report.accounts.push_back(account);
    else
        report.moreAccounts = true;
}

} // namespace

StatementAccount HostAccountKey(const CString& sortCode, const CString& accountNumber)
{
    auto key = [](const CString& text, std::size_t width) {
        const std::size_t length = static_cast<std::size_t>(text.GetLength());
        return length >= 32 ? std::string(text.c_str(), length) : AccountKey(text, length, width);
    };
    return {key(sortCode, kSortCodeWidth), key(accountNumber, kAccountNumberWidth)};
}

void PendingLines::Add(const CTransactionRecord& record)
{
    m_lines.push_back(StatementLineOf(record, m_texts));
}

void ReadAccountLines(CRBSTransactionFile& file, StatementImportReport& report, PendingLines& pending,
                      const PendingBlockFn& fullBlock)
{
    LastAccount lastAccount;
    CTransactionRecord record;
    for (;;) {
        const CRBSTransactionFile::Line line = file.ReadNext(record);
        if (line.kind == CRBSTransactionFile::LineKind::End)
            break;
        ++report.dataLines;
        if (line.kind == CRBSTransactionFile::LineKind::Blank) {
            ++report.blankLines;
            continue;
        }
        if (line.kind == CRBSTransactionFile::LineKind::Skipped) {
            report.skipped.push_back({line.number, line.reason});
            continue;
        }
        if (!lastAccount.Same(record)) {
            const StatementAccount lineAccount = LineAccountKey(record);
            RememberAccount(report, lineAccount);
            lastAccount.Set(record, SameAccount(lineAccount, report.hostAccount));
        }
        if (!lastAccount.host)
            continue;
        pending.Add(record);
        if (pending.Size() % PendingLines::kPerBlock == 0)
            fullBlock(&pending[pending.Size() - PendingLines::kPerBlock], PendingLines::kPerBlock);
    }
}

} // namespace qf
