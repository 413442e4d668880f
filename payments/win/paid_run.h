// The paid record's part in a payment run: before the options dialog, the
// batch checked against the paying account's record (payments written
// before, payments twice in the batch); after the file is stored, the
// payments written into it added to the record.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CorvaneBankPayments.h"
#include "CorvaneEBanking.h"
#include "payments/paid/paid_check.h"
#include "payments/paid/paid_record.h"
#include "payments/paid/paid_record_file.h"
#include "payments/payment_source.h"
#include "payments/win/payment_run_log.h"

namespace qf {

// A payment as the record knows it: the payee's sort code and account
// number (digits), the amount in pence, and the payee reference as the bank
// sees it (the roll number, or else the BACS reference, in the bank's
// characters), whatever the layout cuts it to.
PaidPayment PaidPaymentOf(Payment& payment);

class PaidRun {
public:
    // Reads the batch's payments and the record of the paying account (the
    // bank record's account, or else the first payment's payer), and checks
    // them. A record that cannot be read leaves a warning.
    PaidRun(PaymentBatch& batch, ICorvaneBankRecord* bank, PaymentRunLog& log);
    PaidRun(const PaidRun&) = delete;
    PaidRun& operator=(const PaidRun&) = delete;

    const std::vector<PaidCheck>& Checks() const noexcept { return m_checks; }
    // Whether payment index is to be left out when the user says so.
    bool Caught(std::size_t index) const
    {
        return index < m_checks.size() && m_checks[index].kind != PaidCheck::Kind::None;
    }
    // Says in a message box, before the options dialog, when earlier
    // payments could not be checked (the record could not be read).
    void WarnIfUnchecked() const;

    // After the file was stored: adds the payments of the batch that were
    // written with code 0 (written[i]) to the record. A record that cannot
    // be updated is told in a message box; the file stays written.
    void Remember(const std::vector<bool>& written, double processingDate, int layout, const char* path);

private:
    // Remember's work; "" or the problem.
    std::string Record(const std::vector<bool>& written, double processingDate, int layout, const char* path);

    PaymentRunLog& m_log;
    std::string m_sortCode, m_accountNumber; // the paying account
    std::unique_ptr<PaidRecordFile> m_file;  // none when no record is kept
    PaidRecord m_record;
    std::vector<PaidPayment> m_payments;
    std::vector<PaidCheck> m_checks;
    std::string m_warning;
};

} // namespace qf
