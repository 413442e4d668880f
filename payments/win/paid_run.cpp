#include "payments/win/paid_run.h"

#include <cmath>
#include <memory>

#include "payments/win/host_payments.h"
#include "payments/paid/paid_notice.h"
#include "payments/paid/paid_record_file.h"
#include "payments/payment_text.h"
#include "platform/serial_date.h"
#include "platform/win/win32_services.h"
#include "settings/record_locations.h"

namespace qf {
namespace {

// The paying account: the bank record's, or else the first payment's payer.
void PayingAccount(PaymentBatch& batch, ICorvaneBankRecord* bank, std::string& sortCode, std::string& number)
{
    CString code, account;
    if (!ReadBankAccount(bank, code, account))
        if (std::unique_ptr<Payment> first = batch.Item(0)) {
            code = DigitsOnly(first->PayerSortCode());
            account = first->PayerAccountNumber();
        }
    sortCode = static_cast<const char*>(code);
    number = static_cast<const char*>(account);
}

// The log names no account: the record's path (which does) becomes "the record".
std::string Anonymous(std::string text, const std::string& path)
{
    for (std::size_t at; !path.empty() && (at = text.find(path)) != std::string::npos;)
        text.replace(at, path.size(), "the record");
    return text;
}

} // namespace

PaidPayment PaidPaymentOf(Payment& payment)
{
    PaidPayment paid;
    paid.payeeSortCode = static_cast<const char*>(DigitsOnly(payment.PayeeSortCode()));
    paid.payeeAccount = static_cast<const char*>(DigitsOnly(payment.PayeeAccountNumber()));
    paid.pence = std::llround(payment.Amount() * 100.0);
    const CString roll = payment.PayeeRollNumber();
    paid.reference = static_cast<const char*>(CleanText(roll.IsEmpty() ? payment.PayeeBACSReference() : roll));
    return paid;
}

PaidRun::PaidRun(PaymentBatch& batch, ICorvaneBankRecord* bank, PaymentRunLog& log) : m_log(log)
{
    const std::int32_t count = batch.Count();
    std::vector<bool> delivered;
    for (std::int32_t i = 0; i < count; ++i) {
        std::unique_ptr<Payment> payment = batch.Item(i);
        m_payments.push_back(payment ? PaidPaymentOf(*payment) : PaidPayment());
        delivered.push_back(payment != nullptr);
    }
    PayingAccount(batch, bank, m_sortCode, m_accountNumber);
    const int days = PaidBeforeDays();
    const PaidRecord* known = nullptr;
    std::string path, why;
    if (!PaidRecordPath(m_sortCode, m_accountNumber, false, path, why)) {
        m_log.PaidRecord("none kept: " + why);
    } else {
        m_file.reset(new PaidRecordFile(path));
        const FileState state = m_file->Load(m_record, why);
        if (state == FileState::Read || state == FileState::Missing)
            known = &m_record;
        else
            m_warning = "Earlier payments could not be checked: the record of the payments written from this "
                        "account cannot be read (" + why + "). Only payments twice in this batch are marked.";
        m_log.PaidRecord(state == FileState::Read      ? std::to_string(m_record.Size()) + " entries"
                         : state == FileState::Missing ? std::string("none yet")
                                                       : "not read: " + Anonymous(why, path));
    }
    // 0 days turns the check off: nothing is marked (the record is kept).
    m_checks = days > 0 ? CheckPaid(known, m_payments, NowStamp(), days) : std::vector<PaidCheck>(m_payments.size());
    // A payment the host does not deliver is none of them (the run fails it).
    for (std::size_t i = 0; i < m_checks.size(); ++i)
        if (!delivered[i])
            m_checks[i] = PaidCheck();
    if (days > 0)
        m_log.PaidRecord("checked against the last " + std::to_string(days) + " days: " +
                         std::to_string(CountOf(m_checks, PaidCheck::Kind::PaidBefore)) + " written before, " +
                         std::to_string(CountOf(m_checks, PaidCheck::Kind::Twin)) + " twice in the batch");
    else
        m_log.PaidRecord("not checked (PaidBeforeDays=0)");
}

void PaidRun::WarnIfUnchecked() const
{
    if (!m_warning.empty())
        platform::ShowMessageBox(GetActiveWindow(), m_warning.c_str(), kPaidBeforeCaption, MB_OK | MB_ICONWARNING);
}

void PaidRun::Remember(const std::vector<bool>& written, double processingDate, int layout, const char* path)
{
    const std::string why = Record(written, processingDate, layout, path);
    if (!why.empty())
        platform::ShowMessageBox(GetActiveWindow(),
                                 ("The payment file was written, but the record of payments written from this "
                                  "account could not be updated (" + why + "). A later run cannot warn that these "
                                  "payments were paid.").c_str(),
                                 kPaidBeforeCaption, MB_OK | MB_ICONWARNING);
}

std::string PaidRun::Record(const std::vector<bool>& written, double processingDate, int layout, const char* path)
{
    if (!m_file)
        return {};
    PaidAddition added;
    for (std::size_t i = 0; i < written.size() && i < m_payments.size(); ++i)
        if (written[i])
            added.payments.push_back(m_payments[i]);
    if (added.payments.empty())
        return {};
    added.processingDate = DateNumber(processingDate);
    added.written = NowStamp();
    added.layout = layout;
    added.fileName = FileNameOfPath(path);
    std::string why, recordPath;
    // The folder is made when the first record goes into it.
    if (!PaidRecordPath(m_sortCode, m_accountNumber, true, recordPath, why)) {
        m_log.PaidRecord("not saved: " + Anonymous(why, recordPath));
        return why;
    }
    const SharedFile::Outcome outcome = m_file->Save(m_record, added, added.written, why);
    if (outcome == SharedFile::Outcome::Replaced) {
        m_log.PaidRecord("saved with " + std::to_string(added.payments.size()) + " payments: " +
                         std::to_string(m_record.Size()) + " entries");
        return {};
    }
    if (outcome == SharedFile::Outcome::Busy)
        why = "another payment run of this account held it for longer than " +
              std::to_string(SharedFile::kWaitMs / 1000) + " seconds";
    m_log.PaidRecord("not saved: " + Anonymous(why, m_file->Path()));
    return why;
}

} // namespace qf
